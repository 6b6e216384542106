// Channel-status mirror: what each of the 16 channels holds after the
// messages that passed a port.
#include <algorithm>
#include <array>
#include <memory>
#include <new>
#include <vector>

#include "midi/status/midi_status.h"

struct MIDIPart {
    std::array<bool, 128> noteHeld{};  // a flag, not a count: a doubled note-on cannot stick
    int32_t heldCount = 0;
    int32_t program = 0;
    std::array<int32_t, 128> controllers{};
    int32_t pitchBend = 8192;
    int32_t channelAftertouch = 0;
    std::array<int32_t, 128> keyAftertouch{};
};

struct MIDIStatus {
    int32_t moduleMode = 0;
    int32_t drumSetupCount = 0;
    std::vector<MIDIPart> parts;
};

namespace {

constexpr int32_t maxParts = 16;
constexpr int32_t maxDrumSetups = 16;

// Controller values a part starts with and returns to after "reset all
// controllers" where the general MIDI defaults differ from 0.
void resetControllers(MIDIPart& part) {
    part.controllers.fill(0);
    part.controllers[7] = 100;   // volume
    part.controllers[10] = 64;   // pan centre
    part.controllers[11] = 127;  // expression
    part.pitchBend = 8192;
    part.channelAftertouch = 0;
    part.keyAftertouch.fill(0);
}

void setNote(MIDIPart& part, int32_t key, bool held) {
    if (part.noteHeld[key] == held) return;
    part.noteHeld[key] = held;
    part.heldCount += held ? 1 : -1;
}

void releaseAllNotes(MIDIPart& part) {
    part.noteHeld.fill(false);
    part.heldCount = 0;
}

void applyControlChange(MIDIPart& part, int32_t controller, int32_t value) {
    part.controllers[controller] = value;
    if (controller == 120 || (controller >= 123 && controller <= 127)) {
        // All sound off, all notes off, and the mode changes that imply it.
        releaseAllNotes(part);
    } else if (controller == 121) {
        int32_t volume = part.controllers[7];
        int32_t pan = part.controllers[10];
        resetControllers(part);
        // Reset all controllers leaves volume and pan alone.
        part.controllers[7] = volume;
        part.controllers[10] = pan;
        part.controllers[121] = value;
    }
}

}  // namespace

MIDIStatus* MIDIStatus_Create(int32_t moduleMode, int32_t numParts, int32_t numDrumSetups) {
    if (moduleMode < 0 || numParts < 1 || numParts > maxParts || numDrumSetups < 0 ||
        numDrumSetups > maxDrumSetups)
        return nullptr;
    try {
        auto status = std::make_unique<MIDIStatus>();
        status->moduleMode = moduleMode;
        status->drumSetupCount = numDrumSetups;
        status->parts.resize(static_cast<size_t>(numParts));
        for (MIDIPart& part : status->parts) resetControllers(part);
        return status.release();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void MIDIStatus_Delete(MIDIStatus* status) { delete status; }

// Returns 1 when the message was taken in (system messages included), 0 when
// it is not a message a part can use: no status byte, a data byte with its
// high bit set, or data missing that the status needs. A note-on that lacks
// its velocity counts as velocity 0.
int32_t MIDIStatus_PutMIDIMessage(MIDIStatus* status, const uint8_t* message, int32_t length) {
    if (status == nullptr || message == nullptr || length < 1 || message[0] < 0x80) return 0;
    uint8_t kind = message[0] & 0xF0;
    if (kind == 0xF0) return 1;  // system messages belong to no channel
    int32_t channel = message[0] & 0x0F;
    if (channel >= static_cast<int32_t>(status->parts.size())) return 1;
    for (int32_t i = 1; i < std::min(length, 3); ++i)
        if (message[i] >= 0x80) return 0;
    int32_t first = length > 1 ? message[1] : -1;
    int32_t second = length > 2 ? message[2] : -1;
    MIDIPart& part = status->parts[static_cast<size_t>(channel)];
    switch (kind) {
    case 0x80:
        if (first < 0) return 0;
        setNote(part, first, false);
        return 1;
    case 0x90:
        if (first < 0) return 0;
        setNote(part, first, second > 0);
        return 1;
    case 0xA0:
        if (second < 0) return 0;
        part.keyAftertouch[first] = second;
        return 1;
    case 0xB0:
        if (second < 0) return 0;
        applyControlChange(part, first, second);
        return 1;
    case 0xC0:
        if (first < 0) return 0;
        part.program = first;
        return 1;
    case 0xD0:
        if (first < 0) return 0;
        part.channelAftertouch = first;
        return 1;
    default:  // 0xE0, pitch bend: low seven bits first
        if (second < 0) return 0;
        part.pitchBend = first | (second << 7);
        return 1;
    }
}

MIDIPart* MIDIStatus_GetMIDIPart(MIDIStatus* status, int32_t index) {
    if (status == nullptr || index < 0 || index >= static_cast<int32_t>(status->parts.size()))
        return nullptr;
    return &status->parts[static_cast<size_t>(index)];
}

int32_t MIDIPart_GetNumNoteKeep(const MIDIPart* part) { return part ? part->heldCount : 0; }

int32_t MIDIPart_GetNoteKeep(const MIDIPart* part, int32_t key) {
    return (part && key >= 0 && key < 128) ? part->noteHeld[key] : 0;
}

int32_t MIDIPart_GetProgramChange(const MIDIPart* part) { return part ? part->program : 0; }

int32_t MIDIPart_GetControlChange(const MIDIPart* part, int32_t controller) {
    return (part && controller >= 0 && controller < 128) ? part->controllers[controller] : 0;
}

int32_t MIDIPart_GetPitchBend(const MIDIPart* part) { return part ? part->pitchBend : 0; }

int32_t MIDIPart_GetChannelAftertouch(const MIDIPart* part) { return part ? part->channelAftertouch : 0; }

int32_t MIDIPart_GetKeyAftertouch(const MIDIPart* part, int32_t key) {
    return (part && key >= 0 && key < 128) ? part->keyAftertouch[key] : 0;
}
