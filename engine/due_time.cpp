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
    if (p.patternPlaying == 0 || !p.patternClock || !p.patternData)
        return kMIDIClockUnknownTime;
    const int32_t endTime = MIDIData_GetEndTime(p.patternData);
    int64_t dueTick = firstEventTimeFrom(p.patternData, p.patternPosition);
    if (endTime > 0)  // the pass that wraps sends the new cycle's first notes
        dueTick = std::min<int64_t>(dueTick, endTime);
    int32_t timeMode = 0;
    int32_t resolution = 0;
    MIDIData_GetTimeBase(p.patternData, &timeMode, &resolution);
    const int64_t noteDue = dueTick == kNoTick ? kMIDIClockUnknownTime
                                               : timeOfTick(p.patternClock, dueTick);
    return std::min(noteDue, nextSyncOutputTime(p.patternClock, p.patternPosition, timeMode,
                                                resolution));
}

// The next event, or the end of the patch, where it is done.
int64_t nextPatchPassTime() {
    const PlayerState& p = playerState;
    if (!p.patchPlaying || !p.patchClock || !p.patchData)
        return kMIDIClockUnknownTime;
    const int64_t endTime = MIDIData_GetEndTime(p.patchData);
    const int64_t dueTick = std::min(firstEventTimeFrom(p.patchData, p.patchPosition), endTime);
    return timeOfTick(p.patchClock, dueTick);
}
