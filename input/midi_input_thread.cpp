#include "input/midi_input_thread.h"

#include <cstring>
#include <mutex>

#include "common/pro_audio_task.h"
#include "engine/player_state.h"
#include "engine/player_ui.h"
#include "engine/transport.h"
#include "engine/worker_sleep.h"
#include "input/thread_priority.h"
#include "midi/clock/midi_clock.h"
#include "midi/midi_bytes.h"
#include "midi/ports/midi_io.h"
#include "midi/status/midi_status.h"

namespace {

bool isNoteOff(uint8_t status) { return messageKind(status) == kNoteOff; }
bool isNoteOn(uint8_t status) { return messageKind(status) == kNoteOn; }
bool isControlChange(uint8_t status) { return messageKind(status) == kControlChange; }

// Commands go to the user-interface thread as if the button had been
// pressed; posting never waits, so it is safe under the lock.
void postCommand(WindowCommand command) {
    if (PlayerUi* ui = playerState.shell.mainWindow.load()) ui->postCommand(command);
}

// The transport row of a received message; only the first match applies.
void handleTransport(const uint8_t* message) {
    switch (message[0]) {
    case kMidiStart: postCommand(WindowCommand::start); break;
    case kMidiContinue: postCommand(WindowCommand::continuePlaying); break;
    case kMidiStop: postCommand(WindowCommand::stop); break;
    case kSongPositionPointer:
        if (playerState.settings.midiInSyncMode == kInSyncTimingClock)
            locateSongPosition(((message[2] & 0x7F) << 7) | (message[1] & 0x7F));
        break;
    default: break;
    }
}

// Every clock hears every timing message; its own sync mode decides whether
// it follows it. Start, Continue and Stop go to the clocks as well as to the
// window: a pulse that comes before the window acts on Start is the start
// pulse, and the clock keeps it for the player. The clocks take tempo and
// phase from when the message arrived, not from when this pass got to it;
// a port that cannot tell gives the moment it is read.
void feedClocks(const uint8_t* message, int32_t length, int64_t receivedAt) {
    uint8_t status = message[0];
    const bool transport = status == kMidiStart || status == kMidiContinue || status == kMidiStop;
    if (status != kTimingClock && status != kQuarterFrame && status != kSystemExclusive && !transport)
        return;
    if (receivedAt == kMIDIInNoTime) receivedAt = MIDIClockLib_Now();
    int32_t moved = 0;
    if (playerState.handles.patternClock)
        moved |= MIDIClock_PutMIDIMessageAt(playerState.handles.patternClock, message, length, receivedAt);
    if (playerState.handles.patchClock)
        moved |= MIDIClock_PutMIDIMessageAt(playerState.handles.patchClock, message, length, receivedAt);
    // A slaved clock's next tick is not known ahead: its players pass
    // again now that it moved.
    if (moved) wakePlayers();
}

void handleSyncStart(const uint8_t* message) {
    if (!playerState.settings.syncStart || playerState.transport.patternPlaying) return;
    uint8_t status = message[0];
    bool keyPressed = isNoteOn(status) && message[2] > 0;
    bool pedal = isControlChange(status) && message[1] == kSustainPedal;
    if (keyPressed || pedal) postCommand(WindowCommand::start);
}

void handleSyncStop(const uint8_t* message) {
    if (!playerState.settings.syncStop || playerState.transport.patternPlaying != 1) return;
    uint8_t status = message[0];
    bool keyReleased = isNoteOff(status) || (isNoteOn(status) && message[2] == 0);
    bool pedal = isControlChange(status) && message[1] == kSustainPedal;
    // The mirror already holds this message, so a last release counts 0.
    if ((keyReleased || pedal) && heldNoteCount() == 0) postCommand(WindowCommand::stop);
}

// A time-code full frame by its form, F0 7F <device> 01 01 ...: one with
// values out of range is no time to follow, but a slave downstream would
// still take it for a locate.
bool isFullFrame(const uint8_t* message, int32_t length) {
    return length >= 5 && message[0] == kSystemExclusive && message[1] == kUniversalRealTime &&
           message[3] == kTimeCodeSubId && message[4] == kFullFrameSubId;
}

// The messages of the family the player sends itself, which tell a slave
// where and how fast the music goes: passed on, they would put a second
// clock on the wire and the slave would follow both. Those of the other
// family double nothing and pass.
bool isOwnSyncFamily(const uint8_t* message, int32_t length, int32_t outSyncMode) {
    if (outSyncMode == kOutSyncTimingClock) {
        switch (message[0]) {
        case kTimingClock:
        case kSongPositionPointer:
        case kMidiStart:
        case kMidiContinue:
        case kMidiStop: return true;
        default: return false;
        }
    }
    if (outSyncMode >= kOutSyncTimeCode24 && outSyncMode <= kOutSyncTimeCode30)
        return message[0] == kQuarterFrame || isFullFrame(message, length);
    return false;
}

void passThrough(const uint8_t* message, int32_t length) {
    PlayerState& p = playerState;
    if (!p.settings.midiThru || !p.handles.midiOut) return;
    if (isOwnSyncFamily(message, length, p.settings.midiOutSyncMode)) return;
    MIDIOut_PutMIDIMessage(p.handles.midiOut, message, length);
    if (p.handles.midiOutStatus) MIDIStatus_PutMIDIMessage(p.handles.midiOutStatus, message, length);
}

}  // namespace

int32_t heldNoteCount() {
    QUILLBEX_ASSERT_LOCK_HELD();
    int32_t count = 0;
    if (!playerState.handles.midiInStatus) return 0;
    for (int32_t channel = 0; channel < kMidiChannelCount; ++channel) {
        if (MIDIPart* part = MIDIStatus_GetMIDIPart(playerState.handles.midiInStatus, channel))
            count += MIDIPart_GetNumNoteKeep(part);
    }
    return count;
}

void runInputPass() {
    QUILLBEX_ASSERT_LOCK_HELD();
    PlayerState& p = playerState;
    if (!p.handles.midiIn) return;
    // One buffer for the whole pass; zeroed before each read so that the
    // missing data bytes of a short message read as 0.
    uint8_t message[kMIDIMessageMax];
    for (;;) {
        std::memset(message, 0, sizeof message);
        int64_t receivedAt = kMIDIInNoTime;
        int32_t length = MIDIIn_GetMIDIMessageAt(p.handles.midiIn, message, kMIDIMessageMax, &receivedAt);
        if (length <= 0) break;
        if (length > kMIDIMessageMax) length = kMIDIMessageMax;

        if (p.handles.midiInStatus) MIDIStatus_PutMIDIMessage(p.handles.midiInStatus, message, length);
        handleTransport(message);
        feedClocks(message, length, receivedAt);
        handleSyncStart(message);
        handleSyncStop(message);
        passThrough(message, length);
    }
}

void midiInputThread(WorkerPacing pacing) {
    const ProAudioTask proAudioTask;
    PlayerState& p = playerState;
    raiseCurrentThreadPriority();
    while (p.shell.mainWindow.load()) {
        {
            std::lock_guard hold(p.lock);
            // The port may have been replaced since the last pass.
            MIDIIn_SetArrivalWakeUp(p.handles.midiIn, &inputWake);
            runInputPass();
        }
        // Until a message arrives (the port signals it), the port is
        // replaced or the program ends.
        waitForNextPass(inputWake, kWaitForWakeUp, pacing);
    }
    p.shell.inputThread = 0;
}
