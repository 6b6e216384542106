#include "midi/clock/time_code_follower.h"

#include <algorithm>

#include "midi/midi_bytes.h"

namespace {

// How far the counter runs on after a quarter-frame code, in frames.
constexpr int64_t kTimeCodeRunOnFrames = 4;
// How far a received code may lie from the running position, in frames,
// before it counts as a jump rather than the code running on: a full frame
// repeats where the clock stands, a quarter-frame code arrives up to two
// frames after the time it names.
constexpr int64_t kFullFrameLocateFrames = 1;
constexpr int64_t kQuarterFrameLocateFrames = 2;

}  // namespace

int64_t TimeCodeFollower::tickAt(const ClockCore& core, int64_t now) const {
    const int64_t tick = ticks_.tickAt(core.tickRate(), positionAt(core, now));
    // Until the first code the clock stands before where it will start.
    return core.running && awaitingCode_ ? tick - 1 : tick;
}


// The clock waits for fresh code before it runs on, and plays nothing
// before the master's first code says where it is.
void TimeCodeFollower::start(const ClockCore& core, int64_t) {
    if (core.running) return;
    ceiling_ = core.anchorPosition;
    awaitingCode_ = true;
}

void TimeCodeFollower::reset(const ClockCore&, int64_t) {
    ticks_ = {};
    ceiling_ = 0;
    awaitingCode_ = true;
}

void TimeCodeFollower::setTick(ClockCore& core, int64_t tick, int64_t now) {
    rebase(core, now);
    ticks_.base = tick;
}

// The run-on the last code granted moves with the counter.
void TimeCodeFollower::setPosition(ClockCore& core, int64_t position) {
    if (ceiling_ != kNoCeiling) ceiling_ += position - core.anchorPosition;
    core.anchorPosition = position;
    ticks_.basePosition = position;
}

// The position waits for the first code.
void TimeCodeFollower::enter(const ClockCore& core, CarriedTick tick) {
    ticks_ = {tick.tick, tick.fraction, core.anchorPosition};
    ceiling_ = core.anchorPosition;
    awaitingCode_ = false;
    quarterFrames_.forget();
}

int32_t TimeCodeFollower::put(ClockCore& core, const uint8_t* message, int32_t length, int64_t at,
                              int64_t now) {
    TimeCode code{};
    if (message[0] == kQuarterFrame && length >= 2) {
        int64_t codeTime = at;
        if (!quarterFrames_.put(message[1], at, &code, &codeTime) || !core.running) return 0;
        receiveQuarterFrameCode(core, code, codeTime, now);
        awaitingCode_ = false;
        return 1;
    }
    if (message[0] == kSystemExclusive && decodeFullFrame(message, length, &code)) {
        // Quarter-frame pieces before the full frame belong to another time.
        quarterFrames_.forget();
        if (!core.running) return 0;
        receiveFullFrame(core, code, now);
        awaitingCode_ = false;
        return 1;
    }
    return 0;
}

// Where a received code puts the counter: small steps backwards, as the
// code's and our own clocks disagree a little, are absorbed by holding
// still; a real jump is followed. Counts the jumps.
void TimeCodeFollower::moveToCode(ClockCore& core, int64_t target, int64_t locateFrames, int64_t frame,
                                  int64_t now) {
    const int64_t current = positionAt(core, now);
    const bool smallStepBack = target < current && current - target < frame;
    const int64_t distance = target > current ? target - current : current - target;
    if (distance > locateFrames * frame) ++locateCount_;
    core.anchorAt(smallStepBack ? current : target, now);
}

// A quarter-frame code at `codeTime` (when its first piece arrived): the
// code is running, so the counter runs on from it for a few frames.
void TimeCodeFollower::receiveQuarterFrameCode(ClockCore& core, const TimeCode& code, int64_t codeTime,
                                               int64_t now) {
    const int64_t frame = frameNanoseconds(code.rateCode);
    const int64_t codePosition = timeCodeNanoseconds(code);
    const int64_t ceiling = codePosition + kTimeCodeRunOnFrames * frame;
    const int64_t target = std::min(codePosition + std::max<int64_t>(now - codeTime, 0), ceiling);
    moveToCode(core, target, kQuarterFrameLocateFrames, frame, now);
    ceiling_ = std::max(ceiling, core.anchorPosition);
}

// A full frame is a locate: it says where the code stands, not that it
// runs. The counter keeps only the run-on the quarter frames had granted,
// so with quarter frames flowing it runs on, and otherwise it stands until
// they come. A stream of full frames thus never moves the clock by itself.
void TimeCodeFollower::receiveFullFrame(ClockCore& core, const TimeCode& code, int64_t now) {
    const int64_t frame = frameNanoseconds(code.rateCode);
    const int64_t current = positionAt(core, now);
    const int64_t runOnLeft = ceiling_ == kNoCeiling ? 0 : std::max<int64_t>(ceiling_ - current, 0);
    moveToCode(core, timeCodeNanoseconds(code), kFullFrameLocateFrames, frame, now);
    ceiling_ = core.anchorPosition + runOnLeft;
}
