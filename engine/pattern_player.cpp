#include "engine/pattern_player.h"

#include "engine/drum_groups.h"
#include "engine/player_state.h"
#include "engine/sync_output.h"
#include "engine/worker_sleep.h"
#include "midi/midi_bytes.h"
#include "midi/clock/midi_clock.h"
#include "midi/song/midi_data.h"
#include "midi/ports/midi_io.h"
#include "midi/status/midi_status.h"

namespace {

void sendNote(uint8_t key, uint8_t velocity) {
    const uint8_t message[3] = {kDrumNoteOn, key, velocity};
    MIDIOut_PutMIDIMessage(playerState.midiOut, message, 3);
    if (playerState.midiOutStatus)
        MIDIStatus_PutMIDIMessage(playerState.midiOutStatus, message, 3);
}

// Only drum note-ons and note-offs leave the pattern; everything else it
// holds (other channels, controllers, meta and system-exclusive events) is
// for the file, not for the loop.
void playEvent(const MIDIEvent* event) {
    if (!MIDIEvent_IsMIDIEvent(event))
        return;
    const int32_t channel = MIDIEvent_GetChannel(event);
    if (channel != kDrumChannel)
        return;
    const int32_t key = MIDIEvent_GetKey(event);
    if (MIDIEvent_IsNoteOn(event)) {
        if (isDrumNoteEnabled(key))
            sendNote(static_cast<uint8_t>(key),
                     static_cast<uint8_t>(scaleDrumVelocity(key, MIDIEvent_GetVelocity(event))));
    } else if (MIDIEvent_IsNoteOff(event)) {
        // A note-off goes out as note-on velocity 0 so that running status
        // stays on 0x99.
        if (isDrumNoteEnabled(key))
            sendNote(static_cast<uint8_t>(key), 0);
    }
}

// Every event with from <= time < to, track by track, each track in its
// stored order. Events of a track are in time order, so the window's first
// event is found by binary search and the walk stops at the window's end:
// a pass costs what its window holds, not what the pattern holds.
void playWindow(const MIDIData* pattern, int32_t from, int32_t to) {
    if (to <= from)
        return;
    for (MIDITrack* track = MIDIData_GetFirstTrack(pattern); track;
         track = MIDITrack_GetNextTrack(track)) {
        for (MIDIEvent* event = MIDITrack_FindFirstEventAtOrAfter(track, from);
             event && event->time < to; event = MIDIEvent_GetNextEvent(event))
            playEvent(event);
    }
}

// The clock has run past the pattern's end: the loop starts again at the
// begin time and the overrun past the end carries into the next cycle. The
// notes of the new cycle that lie inside the overrun go out in this pass
// already, right after the last notes of the old one, so the downbeat is no
// later than any other note; the next window starts where they stop, and
// the clock pulses of the next pass count on from there, so none is sent
// twice.
void wrapToNextCycle(int32_t tick, int32_t endTime, int32_t beginTime) {
    PlayerState& p = playerState;
    // An overrun longer than a whole cycle (a clock that follows a time code
    // starting at 01:00:00:00, a machine that stalled) skips the cycles
    // already gone by, instead of replaying the whole pattern in each of the
    // following passes.
    int32_t overrun = tick - endTime;
    if (overrun > endTime)
        overrun %= endTime;
    MIDIClock_SetTickCount(p.patternClock, overrun);
    if (overrun > beginTime) {
        if (p.midiOut)
            playWindow(p.patternData, beginTime, overrun);
        p.patternPosition = overrun;
    } else {
        p.patternPosition = beginTime;
    }
}

void playPass() {
    PlayerState& p = playerState;
    const int32_t millisec = MIDIClock_GetMillisec(p.patternClock);
    const int32_t tick = MIDIClock_GetTickCount(p.patternClock);
    const int32_t endTime = MIDIData_GetEndTime(p.patternData);
    const int32_t beginTime = MIDIData_GetBeginTime(p.patternData);
    int32_t timeMode = 0;
    int32_t resolution = 0;
    MIDIData_GetTimeBase(p.patternData, &timeMode, &resolution);

    sendSyncOutput(millisec, tick, p.patternPosition, timeMode, resolution);

    if (p.midiOut)
        playWindow(p.patternData, p.patternPosition, tick);

    // A pattern of no length (end time 0) has no loop to wrap around: were
    // it wrapped, every pass would send its notes again, a hundred times a
    // second. It plays once, like a window that never comes back.
    if (tick > endTime && endTime > 0)
        wrapToNextCycle(tick, endTime, beginTime);
    else
        p.patternPosition = tick;
}

}  // namespace

void runPatternPass() {
    QUILLBEX_ASSERT_LOCK_HELD();
    const PlayerState& p = playerState;
    if (p.patternPlaying != 0 && p.patternClock && p.patternData)
        playPass();
}

void patternPlayerThread() {
    while (playerState.mainWindow.load()) {
        {
            std::lock_guard guard(playerState.lock);
            runPatternPass();
        }
        sleepBetweenPasses();
    }
    playerState.patternThread = 0;
}
