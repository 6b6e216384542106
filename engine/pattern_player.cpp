#include "engine/pattern_player.h"

#include <algorithm>

#include "common/pro_audio_task.h"
#include "engine/drum_groups.h"
#include "engine/due_time.h"
#include "engine/loop_wrap.h"
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
    MIDIOut_PutMIDIMessage(playerState.handles.midiOut, message, 3);
    if (playerState.handles.midiOutStatus)
        MIDIStatus_PutMIDIMessage(playerState.handles.midiOutStatus, message, 3);
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

// Every event with from <= time <= through, track by track, each track in
// its stored order. Events of a track are in time order, so the window's
// first event is found by binary search and the walk stops at the window's
// end: a pass costs what its window holds, not what the pattern holds.
void playWindow(const MIDIData* pattern, int32_t from, int32_t through) {
    if (through < from || !playerState.handles.midiOut)
        return;
    for (MIDITrack* track = MIDIData_GetFirstTrack(pattern); track;
         track = MIDITrack_GetNextTrack(track)) {
        for (MIDIEvent* event = MIDITrack_FindFirstEventAtOrAfter(track, from);
             event && event->time <= through; event = MIDIEvent_GetNextEvent(event))
            playEvent(event);
    }
}

// What one pass reads of the clock and the pattern, once, at its start.
struct PassReading {
    int32_t millisec = 0;
    int32_t tick = 0;
    int32_t endTime = 0;
    int32_t timeMode = 0;
    int32_t resolution = 0;
};

// Whether the pattern clock was located (a time code from elsewhere) since
// the last pass; the pass follows each locate once.
bool takeNewLocate() {
    PlayerState& p = playerState;
    const int32_t locates = MIDIClock_GetLocateCount(p.handles.patternClock);
    const bool located = locates != p.transport.patternLocateCount;
    p.transport.patternLocateCount = locates;
    return located;
}

// How the clock stands against the position the last pass left.
enum class Jump {
    None,
    // The clock went back, or further than a beat since the last pass (a
    // machine that stalled), or was located: the music moved.
    Moved,
    // The pattern no longer reaches where the clock stands (a shorter one
    // was chosen): the music goes on, only the loop changed.
    PatternChanged,
};

// No pass runs a beat behind while the pattern plays, so a longer window is
// never music to catch up with; sent as a burst it would jam a slow MIDI
// cable and the follower's clock.
Jump clockJumped(const PassReading& now, int32_t position, bool located) {
    const int64_t window = int64_t{now.tick} - position + 1;
    if (located || window < 0 || window > now.resolution) return Jump::Moved;
    if (now.endTime > 0 && position > now.endTime) return Jump::PatternChanged;
    return Jump::None;
}

int32_t nextPosition(int32_t tick) {
    return static_cast<int32_t>(std::min<int64_t>(int64_t{tick} + 1, INT32_MAX));
}

// Moves the clock and the position by `ticks` together: a wrap of the loop.
void shiftPattern(PassReading& now, int64_t ticks) {
    PlayerState& p = playerState;
    MIDIClock_ShiftTickCount(p.handles.patternClock, ticks);
    now.tick = static_cast<int32_t>(std::clamp<int64_t>(now.tick + ticks, INT32_MIN, INT32_MAX));
    p.transport.patternPosition = static_cast<int32_t>(
        std::clamp<int64_t>(int64_t{p.transport.patternPosition} + ticks, INT32_MIN, INT32_MAX));
}

// A pattern of no length has nothing to play past tick 0, but its clock
// pulses go on: its count is kept within its second beat, where the pulses
// fall as on any other beat, so that it never runs out of ticks.
void keepNoLengthPatternCounting(PassReading& now) {
    if (now.endTime > 0 || now.resolution <= 0 || now.tick < 2 * now.resolution) return;
    shiftPattern(now, -int64_t{now.tick / now.resolution - 1} * now.resolution);
}

// The pattern goes on at the tick the clock jumped to, within the loop,
// without playing what lies between. A time code located back before where
// the loop began reads a tick below 0: within the loop it is as far from
// the end. A clock follower downstream moves as far as the music did.
void jumpTo(PassReading& now, Jump jump) {
    PlayerState& p = playerState;
    const int32_t movedFrom = p.transport.patternPosition;
    const int32_t movedTo = now.tick;
    if (now.endTime > 0) {
        shiftPattern(now, wrapIntoLoop(now.tick, now.endTime) - now.tick);
    } else if (now.tick < 0) {  // a pattern of no length has no loop to land in
        p.transport.patternPosition = 0;
        return;
    }
    if (jump == Jump::Moved) followClockJump(movedFrom, movedTo, now.timeMode, now.resolution);
    sendSyncOutput(now.millisec, now.tick, now.tick, now.timeMode, now.resolution);
    playWindow(p.handles.patternData, now.tick, now.tick);
    p.transport.patternPosition = nextPosition(now.tick);
}

// The clock reached the pattern's end: the old cycle plays out to its end
// time, the end time becomes the new cycle's tick 0 and the overrun past it
// carries into the new cycle, whose first notes go out right after the old
// cycle's last ones (note-offs on the end time before the note-ons on 0).
// The old cycle's pulses stop short of the end time, which is the new
// cycle's pulse 0. A loop shorter than the pass (a few ticks at a high
// tempo) skips the cycles gone by instead of replaying them. The loop's
// length comes off the clock before anything is sent.
void playAcrossTheWrap(PassReading& now) {
    PlayerState& p = playerState;
    const int32_t from = p.transport.patternPosition;
    const auto overrun = static_cast<int32_t>(wrapIntoLoop(now.tick, now.endTime));
    MIDIClock_ShiftTickCount(p.handles.patternClock, int64_t{overrun} - now.tick);
    sendSyncOutput(now.millisec, from, now.endTime - 1, now.timeMode, now.resolution);
    playWindow(p.handles.patternData, from, now.endTime);

    sendClockPulses(0, overrun, now.timeMode, now.resolution);
    playWindow(p.handles.patternData, 0, overrun);
    p.transport.patternPosition = overrun + 1;
}

PassReading readPass() {
    const PlayerState& p = playerState;
    PassReading now;
    now.millisec = MIDIClock_GetMillisec(p.handles.patternClock);
    now.tick = MIDIClock_GetTickCount(p.handles.patternClock);
    now.endTime = MIDIData_GetEndTime(p.handles.patternData);
    MIDIData_GetTimeBase(p.handles.patternData, &now.timeMode, &now.resolution);
    return now;
}

// A pass sends every note and clock pulse whose tick the clock has reached:
// those on the tick it reads now go out now, not a pass later.
// patternPosition is the first tick not yet played.
// Waiting for its master the pattern sends nothing, but a shorter pattern
// chosen meanwhile still takes the position into its loop, whole loops at a
// time, as a wrap would.
void keepWithinTheLoopWhileWaiting() {
    PlayerState& p = playerState;
    const int32_t endTime = MIDIData_GetEndTime(p.handles.patternData);
    if (endTime <= 0 || p.transport.patternPosition <= endTime) return;
    // The position is the first tick not yet played: the loop's end itself
    // stays, the tick after it is tick 1 of the next cycle.
    const int64_t position = p.transport.patternPosition;
    const int64_t shift = wrapIntoLoop(position - 1, endTime) + 1 - position;
    MIDIClock_ShiftTickCount(p.handles.patternClock, shift);
    p.transport.patternPosition = static_cast<int32_t>(position + shift);
}

void playPass() {
    PlayerState& p = playerState;
    // Following a master, nothing goes out before its first pulse or code.
    if (MIDIClock_IsWaitingForMaster(p.handles.patternClock)) {
        keepWithinTheLoopWhileWaiting();
        return;
    }
    PassReading now = readPass();
    const bool located = takeNewLocate();
    keepNoLengthPatternCounting(now);
    const Jump jump = clockJumped(now, p.transport.patternPosition, located);
    if (jump != Jump::None) {
        jumpTo(now, jump);
        return;
    }
    // A pattern of no length (end time 0) has no loop to wrap around: were
    // it wrapped, every pass would send its notes again. It plays once.
    if (now.endTime > 0 && now.tick >= now.endTime) {
        playAcrossTheWrap(now);
        return;
    }
    sendSyncOutput(now.millisec, p.transport.patternPosition, now.tick, now.timeMode, now.resolution);
    playWindow(p.handles.patternData, p.transport.patternPosition, now.tick);
    p.transport.patternPosition = std::max(p.transport.patternPosition, nextPosition(now.tick));
}

bool patternCanPlay() {
    const PlayerState& p = playerState;
    return p.transport.patternPlaying != 0 && p.handles.patternClock && p.handles.patternData;
}

}  // namespace

void runPatternPass() {
    QUILLBEX_ASSERT_LOCK_HELD();
    if (patternCanPlay())
        playPass();
}

void patternPlayerThread(WorkerPacing pacing) {
    const ProAudioTask proAudioTask;
    while (playerState.shell.mainWindow.load()) {
        int64_t due = 0;
        {
            std::lock_guard guard(playerState.lock);
            runPatternPass();
            // Stopped, it sleeps until Start, Continue or a new pattern.
            due = patternCanPlay() ? nextPatternPassTime() : kWaitForWakeUp;
        }
        waitForNextPass(patternWake, due, pacing);
    }
    playerState.shell.patternThread = 0;
}
