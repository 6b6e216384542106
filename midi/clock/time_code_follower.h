// The clock following received MIDI time code (sync mode 2). The millisecond
// counter is the received code's time, interpolated at real speed for a few
// frames after each quarter-frame code; a full frame moves it without
// granting any run-on of its own. The tick follows the counter as on the
// clock's own tempo (own_tempo_follower.h).
//
// The operations are those of every follower (own_tempo_follower.h).
#pragma once

#include <cstdint>

#include "midi/clock/clock_position.h"
#include "midi/clock/time_code.h"

class TimeCodeFollower {
public:
    int64_t positionAt(const ClockCore& core, int64_t now) const { return core.positionAt(now, ceiling_); }
    int64_t tickAt(const ClockCore& core, int64_t now) const;
    // No code has come since Start (or Reset).
    bool waiting() const { return awaitingCode_; }
    int64_t timeOfTick(const ClockCore& core, int64_t tick) const {
        return ticks_.timeOfTick(core, ceiling_, tick);
    }
    int64_t timeOfPosition(const ClockCore& core, int64_t position) const {
        return core.timeOfPosition(position, ceiling_);
    }

    void rebase(ClockCore& core, int64_t now) { ticks_.rebase(core, ceiling_, now); }
    void start(const ClockCore& core, int64_t now);
    void settle(const ClockCore&, int64_t) {}
    void reset(const ClockCore& core, int64_t now);
    void rateChanged(TickRate oldRate, TickRate newRate) { ticks_.rescale(oldRate, newRate); }
    void setTick(ClockCore& core, int64_t tick, int64_t now);
    void shift(int64_t ticks) { ticks_.base += ticks; }
    void setPosition(ClockCore& core, int64_t position);
    int32_t put(ClockCore& core, const uint8_t* message, int32_t length, int64_t at, int64_t now);

    CarriedTick leave(const ClockCore&, int64_t) const { return {ticks_.base, ticks_.fraction}; }
    void enter(const ClockCore& core, CarriedTick tick);

    // Jumps of the counter, for the players to tell a locate from running
    // on; unsigned so that it wraps without fault. Kept across mode changes.
    uint32_t locateCount() const { return locateCount_; }

private:
    void moveToCode(ClockCore& core, int64_t target, int64_t locateFrames, int64_t frame, int64_t now);
    void receiveQuarterFrameCode(ClockCore& core, const TimeCode& code, int64_t codeTime, int64_t now);
    void receiveFullFrame(ClockCore& core, const TimeCode& code, int64_t now);

    PositionTicks ticks_;
    QuarterFrameAssembler quarterFrames_;
    // The counter runs on no further than this: where Start, Reset or the
    // last full frame left it, plus the run-on of the last quarter-frame code.
    int64_t ceiling_ = kNoCeiling;
    bool awaitingCode_ = false;
    uint32_t locateCount_ = 0;
};
