// The clock on its own tempo (sync mode 0): the millisecond counter runs
// with the monotonic time source, and the tick follows it at the tempo
// (time mode 0) or the frame rate.
//
// Every follower offers the same operations, which midi_clock.cpp calls on
// the follower of the clock's sync mode; `core` is the clock's shared part.
#pragma once

#include <cstdint>

#include "midi/clock/clock_position.h"

class OwnTempoFollower {
public:
    int64_t positionAt(const ClockCore& core, int64_t now) const { return core.positionAt(now, kNoCeiling); }
    int64_t tickAt(const ClockCore& core, int64_t now) const;
    // Running, but nothing has come from a master yet: never, on its own tempo.
    bool waiting() const { return false; }
    int64_t timeOfTick(const ClockCore& core, int64_t tick) const {
        return ticks_.timeOfTick(core, kNoCeiling, tick);
    }
    int64_t timeOfPosition(const ClockCore& core, int64_t position) const {
        return core.timeOfPosition(position, kNoCeiling);
    }

    // Folds the time elapsed up to `now` into the bases, so that the rate,
    // the mode or one of the counters can change without a jump in the other.
    void rebase(ClockCore& core, int64_t now) { ticks_.rebase(core, kNoCeiling, now); }
    // The clock's Start (core.running says whether it ran already), its
    // Stop or a change of time base (after a rebase), and its Reset (after
    // the counter went back to 0).
    void start(const ClockCore&, int64_t) {}
    void settle(const ClockCore&, int64_t) {}
    void reset(const ClockCore&, int64_t) { ticks_ = {}; }
    void rateChanged(TickRate oldRate, TickRate newRate) { ticks_.rescale(oldRate, newRate); }
    // The tick set, keeping the fraction of a tick already counted.
    void setTick(ClockCore& core, int64_t tick, int64_t now);
    void shift(int64_t ticks) { ticks_.base += ticks; }
    // The millisecond counter set to `position`; the tick stays where it is.
    void setPosition(ClockCore& core, int64_t position);
    // A received timing message; non-zero when it moved the clock.
    int32_t put(ClockCore&, const uint8_t*, int32_t, int64_t, int64_t) { return 0; }

    // Changing mode (after a rebase): the tick this follower shows, and
    // taking over the tick the previous mode showed.
    CarriedTick leave(const ClockCore&, int64_t) const { return {ticks_.base, ticks_.fraction}; }
    void enter(const ClockCore& core, CarriedTick tick) { ticks_ = {tick.tick, tick.fraction, core.anchorPosition}; }

private:
    PositionTicks ticks_;
};
