// The song handle: loading from memory, deleting, the song's properties,
// walking its tracks and events, and classifying events.
#include <algorithm>
#include <new>

#include "midi/song/midi_data_song.h"

MIDIData* MIDIData_LoadFromMemory(const uint8_t* bytes, size_t size) {
    // A large file needs about twelve times its size in events; running
    // out of memory is a failed load like any other.
    try {
        return readStandardMidiFile(bytes, size, currentDefaultCodePage()).release();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void MIDIData_Delete(MIDIData* song) { delete song; }

int32_t MIDIData_GetFormat(const MIDIData* song) { return song ? song->format : 0; }

int32_t MIDIData_CountTrack(const MIDIData* song) {
    return song ? static_cast<int32_t>(song->tracks.size()) : 0;
}

int32_t MIDIData_GetTimeBase(const MIDIData* song, int32_t* timeMode, int32_t* resolution) {
    if (song == nullptr) return 0;
    if (timeMode) *timeMode = song->timeMode;
    if (resolution) *resolution = song->resolution;
    return 1;
}

int32_t MIDIData_GetRecoveryCount(const MIDIData* song, MIDIDataRecovery kind) {
    auto index = static_cast<int32_t>(kind);
    if (song == nullptr || index < 0 || index >= kMIDIDataRecoveryKinds) return 0;
    return song->recoveries[index];
}

int32_t MIDIData_GetBeginTime(const MIDIData* song) { return song ? song->beginTime : 0; }

int32_t MIDIData_GetEndTime(const MIDIData* song) { return song ? song->endTime : 0; }

MIDITrack* MIDIData_GetFirstTrack(const MIDIData* song) {
    if (song == nullptr || song->tracks.empty()) return nullptr;
    return const_cast<MIDITrack*>(song->tracks.data());
}

MIDITrack* MIDITrack_GetNextTrack(const MIDITrack* track) { return track ? track->nextTrack : nullptr; }

MIDIEvent* MIDITrack_GetFirstEvent(const MIDITrack* track) { return track ? track->firstEvent : nullptr; }

MIDIEvent* MIDITrack_FindFirstEventAtOrAfter(const MIDITrack* track, int32_t tick) {
    if (track == nullptr || track->events == nullptr) return nullptr;
    MIDIEvent* end = track->events + track->eventCount;
    MIDIEvent* found = std::lower_bound(track->events, end, tick,
                                        [](const MIDIEvent& event, int32_t t) { return event.time < t; });
    return found == end ? nullptr : found;
}

MIDIEvent* MIDIEvent_GetNextEvent(const MIDIEvent* event) { return event ? event->next : nullptr; }

namespace {

uint8_t statusOf(const MIDIEvent* event) {
    return (event && event->length > 0) ? event->data[0] : 0;
}

bool hasKindWithData(const MIDIEvent* event, uint8_t kind, int32_t length) {
    return (statusOf(event) & 0xF0) == kind && event->length >= length;
}

bool isNoteMessage(const MIDIEvent* event) {
    return hasKindWithData(event, 0x80, 3) || hasKindWithData(event, 0x90, 3);
}

}  // namespace

int32_t MIDIEvent_IsMIDIEvent(const MIDIEvent* event) {
    uint8_t status = statusOf(event);
    return status >= 0x80 && status <= 0xEF;
}

int32_t MIDIEvent_IsNoteOn(const MIDIEvent* event) {
    return hasKindWithData(event, 0x90, 3) && event->data[2] > 0;
}

int32_t MIDIEvent_IsNoteOff(const MIDIEvent* event) {
    return hasKindWithData(event, 0x80, 3) || (hasKindWithData(event, 0x90, 3) && event->data[2] == 0);
}

int32_t MIDIEvent_GetChannel(const MIDIEvent* event) {
    return MIDIEvent_IsMIDIEvent(event) ? event->data[0] & 0x0F : 0;
}

// The key of a note or key-aftertouch event; 0 for any other event.
int32_t MIDIEvent_GetKey(const MIDIEvent* event) {
    return (isNoteMessage(event) || hasKindWithData(event, 0xA0, 3)) ? event->data[1] : 0;
}

// The velocity of a note event; 0 for any other event.
int32_t MIDIEvent_GetVelocity(const MIDIEvent* event) {
    return isNoteMessage(event) ? event->data[2] : 0;
}
