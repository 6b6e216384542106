// What every follower of the clock shares: the time base and tempo, whether
// the clock runs, and its millisecond counter; and the tick arithmetic that
// the own-tempo and time-code followers run on that counter.
#pragma once

#include <cstdint>
#include <limits>

// A position that never comes: no ceiling, or a time nobody can tell.
constexpr int64_t kNoCeiling = std::numeric_limits<int64_t>::max();

struct TickRate {
    int64_t ticks;        // this many ticks ...
    int64_t nanoseconds;  // ... in this many nanoseconds
};

struct ClockCore {
    int32_t timeMode = 0;
    int32_t resolution = 0;
    int32_t tempo = 0;
    bool running = false;

    // Millisecond counter (in ns): `anchorPosition` at `anchorTime`; while
    // running it advances with elapsed time.
    int64_t anchorPosition = 0;
    int64_t anchorTime = 0;

    // Ticks per time at the tempo (time mode 0) or the frame rate.
    TickRate tickRate() const;
    // The counter at `now`, run on no further than `ceiling`.
    int64_t positionAt(int64_t now, int64_t ceiling) const;
    // When the running counter reaches `position`; kMIDIClockUnknownTime
    // when stopped or past `ceiling`.
    int64_t timeOfPosition(int64_t position, int64_t ceiling) const;
    // Moves the anchor to where the counter stands, so that what follows
    // counts from there.
    void anchorAt(int64_t position, int64_t now) {
        anchorPosition = position;
        anchorTime = now;
    }
};

// The tick a follower shows when the clock changes mode: whole ticks and
// the fraction of the next one, in the new rate's nanoseconds unit.
struct CarriedTick {
    int64_t tick;
    int64_t fraction;
};

// A tick counter on the millisecond counter: at position p it reads
// base + floor(((p - basePosition) * rate.ticks + fraction) / rate.nanoseconds).
// Computed from its bases, never summed, so no rounding builds up.
struct PositionTicks {
    int64_t base = 0;
    int64_t fraction = 0;
    int64_t basePosition = 0;

    int64_t tickAt(TickRate rate, int64_t position) const;
    // The least position at which tickAt reads `tick` or more; kNoCeiling
    // when that lies out of reach.
    int64_t positionOfTick(TickRate rate, int64_t tick) const;
    // Folds the ticks up to `position` into the bases, so that the rate can
    // change without a jump.
    void foldTo(TickRate rate, int64_t position);
    // Moves the fraction from one rate's unit to another's.
    void rescale(TickRate oldRate, TickRate newRate);

    // The same on the clock's counter, run on no further than `ceiling`:
    // when the tick comes, and the fold of everything up to `now` into the
    // bases and the counter's anchor.
    int64_t timeOfTick(const ClockCore& core, int64_t ceiling, int64_t tick) const {
        return core.timeOfPosition(positionOfTick(core.tickRate(), tick), ceiling);
    }
    void rebase(ClockCore& core, int64_t ceiling, int64_t now) {
        const int64_t position = core.positionAt(now, ceiling);
        foldTo(core.tickRate(), position);
        core.anchorAt(position, now);
    }
};
