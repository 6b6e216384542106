// When a player's next message falls due, for the workers that sleep until
// then. Times are on the scale of MIDIClockLib_Now; kMIDIClockUnknownTime
// (midi_clock.h) when the clock cannot tell, and the worker then looks
// again after one pass period.
#pragma once

#include <cstdint>

struct MIDIClock;
struct MIDIData;

// The earliest time at or after tick `from` of any event of `song`, over
// all its tracks; INT64_MAX when there is none.
int64_t firstEventTimeFrom(const MIDIData* song, int32_t from);

// When `clock` reaches `tick`; unknown past the clock's 32-bit range.
int64_t timeOfTick(const MIDIClock* clock, int64_t tick);

// Under the lock, after a pass: the next pass of the pattern or the patch
// player is due when a message of theirs falls due: an event at tick t
// leaves in the first pass whose clock reads t.
int64_t nextPatternPassTime();
int64_t nextPatchPassTime();
