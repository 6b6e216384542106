#include "engine/pattern_player.h"

#include "engine/drum_groups.h"
#include "engine/due_time.h"
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

// How far a pass at `tick` overran the end of the loop. An overrun longer
// than a whole cycle (a clock that follows a time code starting at
// 01:00:00:00, a machine that stalled) is reduced to the loop: the cycles
// already gone by are skipped, not replayed.
int32_t overrunPastEnd(int32_t tick, int32_t endTime) {
    int32_t overrun = tick - endTime;
    if (overrun > endTime)
        overrun %= endTime;
    return overrun;
}

// The clock has run past the pattern's end: the loop starts again and the
// overrun past the end carries into the next cycle. The notes of the new
// cycle that lie inside the overrun go out in this pass already, right
// after the last notes of the old one, so the downbeat is no later than any
// other note; the next window and the next clock pulses count on from the
// overrun, so nothing is sent twice and, before the begin time of a pattern
// that starts late, no pulse is lost.
void wrapToNextCycle(int32_t tick, int32_t endTime, int32_t beginTime) {
    PlayerState& p = playerState;
    const int32_t overrun = overrunPastEnd(tick, endTime);
    MIDIClock_SetTickCount(p.patternClock, overrun);
    if (overrun > beginTime && p.midiOut)
        playWindow(p.patternData, beginTime, overrun);
    p.patternPosition = overrun;
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

    // A pattern of no length (end time 0) has no loop to wrap around: were
    // it wrapped, every pass would send its notes again, a hundred times a
    // second. It plays once, like a window that never comes back.
    const bool wraps = tick > endTime && endTime > 0;
    // The clock pulses of a pass that wraps count up to the overrun as the
    // wrap reduces it, so a clock that jumped an hour ahead sends the rest
    // of this cycle and the overrun, not every pulse of that hour.
    const int32_t syncTick = wraps ? endTime + overrunPastEnd(tick, endTime) : tick;
    sendSyncOutput(millisec, syncTick, p.patternPosition, timeMode, resolution);

    if (p.midiOut)
        playWindow(p.patternData, p.patternPosition, tick);

    if (wraps)
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
        int64_t due = 0;
        {
            std::lock_guard guard(playerState.lock);
            runPatternPass();
            due = nextPatternPassTime();
        }
        waitForNextPass(patternWake, due);
    }
    playerState.patternThread = 0;
}
