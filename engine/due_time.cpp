#include "engine/due_time.h"

#include <algorithm>
#include <limits>

#include "engine/player_state.h"
#include "engine/sync_output.h"
#include "midi/clock/midi_clock.h"
#include "midi/song/midi_data.h"

namespace {

constexpr int64_t kNoTick = std::numeric_limits<int64_t>::max();

}  // namespace

int64_t firstEventTimeFrom(const MIDIData* song, int32_t from) {
    int64_t first = kNoTick;
    for (MIDITrack* track = MIDIData_GetFirstTrack(song); track;
         track = MIDITrack_GetNextTrack(track)) {
        if (const MIDIEvent* event = MIDITrack_FindFirstEventAtOrAfter(track, from))
            first = std::min<int64_t>(first, event->time);
    }
    return first;
}

int64_t timeOfTick(const MIDIClock* clock, int64_t tick) {
    if (tick > std::numeric_limits<int32_t>::max())
        return kMIDIClockUnknownTime;
    return MIDIClock_GetTimeOfTickCount(clock, static_cast<int32_t>(tick));
}

// The next note or the wrap, and the next clock pulse or time code.
int64_t nextPatternPassTime() {
    const PlayerState& p = playerState;
    if (p.transport.patternPlaying == 0 || !p.handles.patternClock || !p.handles.patternData)
        return kMIDIClockUnknownTime;
    const int32_t endTime = MIDIData_GetEndTime(p.handles.patternData);
    int64_t dueTick = firstEventTimeFrom(p.handles.patternData, p.transport.patternPosition);
    if (endTime > 0)  // the pass that wraps sends the new cycle's first notes
        dueTick = std::min<int64_t>(dueTick, endTime);
    int32_t timeMode = 0;
    int32_t resolution = 0;
    MIDIData_GetTimeBase(p.handles.patternData, &timeMode, &resolution);
    const int64_t noteDue = dueTick == kNoTick ? kMIDIClockUnknownTime
                                               : timeOfTick(p.handles.patternClock, dueTick);
    return std::min(noteDue, nextSyncOutputTime(p.handles.patternClock, p.transport.patternPosition, timeMode,
                                                resolution));
}

// The next event, or the end of the patch, where it is done.
int64_t nextPatchPassTime() {
    const PlayerState& p = playerState;
    if (!p.transport.patchPlaying || !p.handles.patchClock || !p.handles.patchData)
        return kMIDIClockUnknownTime;
    const int64_t endTime = MIDIData_GetEndTime(p.handles.patchData);
    const int64_t firstEvent = firstEventTimeFrom(p.handles.patchData, p.transport.patchPosition);
    const int64_t dueTick = std::min(firstEvent, endTime);
    return timeOfTick(p.handles.patchClock, dueTick);
}
