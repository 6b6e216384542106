// The clock keeps two positions: the millisecond counter (held in
// nanoseconds) and the tick counter. Both are computed from bases fixed at
// the last re-base plus the time elapsed since, so reading a clock changes
// nothing and no rounding error builds up.
//
// Sync mode 0: the position advances with the monotonic time source; the
// tick follows the position at the tempo (time mode 0) or frame rate.
// Sync mode 1: the tick follows received timing clock (midi_clock_pulses.h);
// the millisecond counter keeps running on the monotonic time source.
// Sync mode 2: the position is the received time code, interpolated at real
// speed for a few frames after each quarter-frame code; a full frame moves
// the position without granting any run-on of its own. The tick follows the
// position as in mode 0.
#include "midi/clock/midi_clock.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <limits>
#include <new>

#include "midi/clock/midi_clock_math.h"
#include "midi/clock/midi_clock_pulses.h"
#include "midi/clock/time_code.h"
#include "midi/midi_bytes.h"

using clockmath::floorDiv;
using clockmath::mulDivFloor;

namespace {

constexpr int64_t kNsPerMs = 1000000;
constexpr int64_t kNoCeiling = std::numeric_limits<int64_t>::max();
constexpr int32_t kMaxResolution = 1000000;
// How far a time-code position runs on after a quarter-frame code, in frames.
constexpr int64_t kTimeCodeRunOnFrames = 4;
// How far a received code may lie from the running position, in frames,
// before it counts as a jump rather than the code running on: a full frame
// repeats where the clock stands, a quarter-frame code arrives up to two
// frames after the time it names.
constexpr int64_t kFullFrameLocateFrames = 1;
constexpr int64_t kQuarterFrameLocateFrames = 2;

int64_t steadyNow() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::atomic<MIDIClockTimeSource> timeSource{nullptr};

bool isValidTimeBase(int32_t timeMode, int32_t resolution) {
    const bool knownMode =
        timeMode == kTicksPerQuarterNoteTimeMode || timeMode == 24 || timeMode == 25 || timeMode == 29 || timeMode == 30;
    return knownMode && resolution > 0 && resolution <= kMaxResolution;
}

int32_t saturate32(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

struct TickRate {
    int64_t ticks;        // this many ticks ...
    int64_t nanoseconds;  // ... in this many nanoseconds
};

}  // namespace

struct MIDIClock {
    int32_t timeMode = 0;
    int32_t resolution = 0;
    int32_t tempo = 0;
    int32_t syncMode = 0;
    bool running = false;

    // Millisecond counter: `anchorPosition` ns at `anchorTime`; while running
    // it advances with elapsed time, never beyond `positionCeiling`.
    int64_t anchorPosition = 0;
    int64_t anchorTime = 0;
    int64_t positionCeiling = kNoCeiling;

    // Tick counter of modes 0 and 2: tickBase + (tickFraction + (position -
    // tickBasePosition) * rate.ticks) / rate.nanoseconds. Mode 1 counts
    // pulses instead.
    int64_t tickBase = 0;
    int64_t tickFraction = 0;
    int64_t tickBasePosition = 0;

    PulseFollower pulses;

    QuarterFrameAssembler quarterFrames;
    // Following time code: no code has come since Start (or Reset).
    bool awaitingCode = false;
    // Jumps of the position, for the players to tell a locate from running
    // on; unsigned so that it wraps without fault.
    uint32_t locateCount = 0;
};

namespace {

TickRate tickRate(const MIDIClock& c) {
    switch (c.timeMode) {
    case kTicksPerQuarterNoteTimeMode: return {c.resolution, static_cast<int64_t>(c.tempo) * 1000};
    case 29: return {static_cast<int64_t>(c.resolution) * 30000, int64_t{1001} * 1000000000};
    default: return {static_cast<int64_t>(c.resolution) * c.timeMode, 1000000000};
    }
}

// Denominator of tickFraction at the clock's current rate.
int64_t fractionUnit(const MIDIClock& c) {
    return tickRate(c).nanoseconds;
}

int64_t positionAt(const MIDIClock& c, int64_t now) {
    if (!c.running) return c.anchorPosition;
    const int64_t elapsed = std::max<int64_t>(now - c.anchorTime, 0);
    return std::max(c.anchorPosition, std::min(c.anchorPosition + elapsed, c.positionCeiling));
}

bool waitsForMaster(const MIDIClock& c) {
    if (!c.running) return false;
    if (c.syncMode == kInSyncTimingClock) return c.pulses.waiting();
    return c.syncMode == kInSyncTimeCode && c.awaitingCode;
}

int64_t tickAt(const MIDIClock& c, int64_t now) {
    if (c.syncMode == kInSyncTimingClock) return c.pulses.tickAt(c.resolution, c.running, now);
    const TickRate rate = tickRate(c);
    int64_t rest = 0;
    const int64_t whole = mulDivFloor(positionAt(c, now) - c.tickBasePosition, rate.ticks,
                                      rate.nanoseconds, &rest);
    const int64_t tick = c.tickBase + whole + (rest + c.tickFraction) / rate.nanoseconds;
    // Until the first code the clock stands before where it will start.
    return waitsForMaster(c) ? tick - 1 : tick;
}

// Folds the time elapsed up to `now` into the bases, so that the rate, the
// mode or one of the counters can change without a jump in the other.
void rebase(MIDIClock& c, int64_t now) {
    const int64_t position = positionAt(c, now);
    if (c.syncMode != kInSyncTimingClock) {
        const TickRate rate = tickRate(c);
        int64_t rest = 0;
        const int64_t whole =
            mulDivFloor(position - c.tickBasePosition, rate.ticks, rate.nanoseconds, &rest);
        const int64_t fraction = rest + c.tickFraction;
        c.tickBase += whole + fraction / rate.nanoseconds;
        c.tickFraction = fraction % rate.nanoseconds;
    }
    c.tickBasePosition = position;
    c.anchorPosition = position;
    c.anchorTime = now;
}

// Moves tickFraction from one unit to another after a change of rate or mode.
void rescaleFraction(MIDIClock& c, int64_t oldUnit) {
    const int64_t newUnit = fractionUnit(c);
    if (newUnit != oldUnit) c.tickFraction = mulDivFloor(c.tickFraction, newUnit, oldUnit);
}

int64_t ceilDiv(int64_t a, int64_t b) {
    return a >= 0 ? (a + b - 1) / b : -(-a / b);
}

// The least position (ns) at which tickAt reads `tick` or more, modes 0
// and 2: there tick = tickBase + floor(((position - tickBasePosition) *
// rate.ticks + tickFraction) / rate.nanoseconds).
int64_t positionOfTick(const MIDIClock& c, int64_t tick) {
    const TickRate rate = tickRate(c);
    int64_t rest = 0;
    const int64_t whole = mulDivFloor(tick - c.tickBase, rate.nanoseconds, rate.ticks, &rest);
    if (whole >= kNoCeiling / 2 || whole <= -kNoCeiling / 2) return kNoCeiling;
    return c.tickBasePosition + whole + ceilDiv(rest - c.tickFraction, rate.ticks);
}

// When a running clock's position reaches `position`; unknown past the
// ceiling a time code sets.
int64_t timeOfPosition(const MIDIClock& c, int64_t position) {
    if (!c.running || position > c.positionCeiling || position == kNoCeiling)
        return kMIDIClockUnknownTime;
    if (position <= c.anchorPosition) return c.anchorTime;
    return c.anchorTime + (position - c.anchorPosition);
}

// Where a received code puts the position: small steps backwards, as the
// code's and our own clocks disagree a little, are absorbed by holding
// still; a real jump is followed. Counts the jumps.
void moveToCode(MIDIClock& c, int64_t target, int64_t locateFrames, int64_t frame, int64_t now) {
    const int64_t current = positionAt(c, now);
    const bool smallStepBack = target < current && current - target < frame;
    const int64_t distance = target > current ? target - current : current - target;
    if (distance > locateFrames * frame) ++c.locateCount;
    c.anchorPosition = smallStepBack ? current : target;
    c.anchorTime = now;
}

// A quarter-frame code at `codeTime` (when its first piece arrived): the
// code is running, so the position runs on from it for a few frames.
void receiveQuarterFrameCode(MIDIClock& c, const TimeCode& code, int64_t codeTime, int64_t now) {
    const int64_t frame = frameNanoseconds(code.rateCode);
    const int64_t codePosition = timeCodeNanoseconds(code);
    const int64_t ceiling = codePosition + kTimeCodeRunOnFrames * frame;
    const int64_t target = std::min(codePosition + std::max<int64_t>(now - codeTime, 0), ceiling);
    moveToCode(c, target, kQuarterFrameLocateFrames, frame, now);
    c.positionCeiling = std::max(ceiling, c.anchorPosition);
}

// A full frame is a locate: it says where the code stands, not that it
// runs. The position keeps only the run-on the quarter frames had granted,
// so with quarter frames flowing it runs on, and otherwise it stands until
// they come. A stream of full frames thus never moves the clock by itself.
void receiveFullFrame(MIDIClock& c, const TimeCode& code, int64_t now) {
    const int64_t frame = frameNanoseconds(code.rateCode);
    const int64_t current = positionAt(c, now);
    const int64_t runOnLeft = c.positionCeiling == kNoCeiling
                                  ? 0
                                  : std::max<int64_t>(c.positionCeiling - current, 0);
    moveToCode(c, timeCodeNanoseconds(code), kFullFrameLocateFrames, frame, now);
    c.positionCeiling = c.anchorPosition + runOnLeft;
}

}  // namespace

void MIDIClockLib_SetTimeSource(MIDIClockTimeSource source) {
    timeSource.store(source, std::memory_order_release);
}

int64_t MIDIClockLib_Now() {
    const MIDIClockTimeSource source = timeSource.load(std::memory_order_acquire);
    return source ? source() : steadyNow();
}

MIDIClock* MIDIClock_Create(int32_t timeMode, int32_t resolution, int32_t tempo) {
    if (!isValidTimeBase(timeMode, resolution) || tempo <= 0) return nullptr;
    MIDIClock* clock = new (std::nothrow) MIDIClock;
    if (clock == nullptr) return nullptr;
    clock->timeMode = timeMode;
    clock->resolution = resolution;
    clock->tempo = tempo;
    clock->anchorTime = MIDIClockLib_Now();
    return clock;
}

void MIDIClock_Delete(MIDIClock* clock) {
    delete clock;
}

int32_t MIDIClock_Start(MIDIClock* clock) {
    if (clock == nullptr) return 0;
    const int64_t now = MIDIClockLib_Now();
    // Following timing clock, the clock stands until the next pulse, or runs
    // on from the pulses that came after the master's Start or Continue.
    if (clock->syncMode == kInSyncTimingClock) clock->pulses.start(clock->resolution, clock->running, now);
    if (clock->running) return 1;
    clock->anchorTime = now;
    clock->running = true;
    // A clock following time code waits for fresh code before it runs on,
    // and plays nothing before the master's first code says where it is.
    if (clock->syncMode == kInSyncTimeCode) {
        clock->positionCeiling = clock->anchorPosition;
        clock->awaitingCode = true;
    }
    return 1;
}

int32_t MIDIClock_Stop(MIDIClock* clock) {
    if (clock == nullptr) return 0;
    if (!clock->running) return 1;
    const int64_t now = MIDIClockLib_Now();
    rebase(*clock, now);
    if (clock->syncMode == kInSyncTimingClock) clock->pulses.settle(clock->resolution, true, now);
    clock->running = false;
    return 1;
}

int32_t MIDIClock_Reset(MIDIClock* clock) {
    if (clock == nullptr) return 0;
    clock->anchorPosition = 0;
    clock->anchorTime = MIDIClockLib_Now();
    clock->positionCeiling = clock->syncMode == kInSyncTimeCode ? 0 : kNoCeiling;
    clock->awaitingCode = clock->syncMode == kInSyncTimeCode;
    clock->tickBase = 0;
    clock->tickFraction = 0;
    clock->tickBasePosition = 0;
    if (clock->syncMode == kInSyncTimingClock) clock->pulses.reset(clock->anchorTime);
    return 1;
}

int32_t MIDIClock_IsRunning(const MIDIClock* clock) {
    return clock != nullptr && clock->running ? 1 : 0;
}

int32_t MIDIClock_SetTempo(MIDIClock* clock, int32_t tempo) {
    if (clock == nullptr || tempo <= 0) return 0;
    const int64_t oldUnit = fractionUnit(*clock);
    rebase(*clock, MIDIClockLib_Now());
    clock->tempo = tempo;
    rescaleFraction(*clock, oldUnit);
    return 1;
}

int32_t MIDIClock_GetTempo(const MIDIClock* clock) {
    return clock != nullptr ? clock->tempo : 0;
}

int32_t MIDIClock_SetTimeBase(MIDIClock* clock, int32_t timeMode, int32_t resolution) {
    if (clock == nullptr || !isValidTimeBase(timeMode, resolution)) return 0;
    const int64_t now = MIDIClockLib_Now();
    const int64_t oldUnit = fractionUnit(*clock);
    rebase(*clock, now);
    if (clock->syncMode == kInSyncTimingClock) clock->pulses.settle(clock->resolution, clock->running, now);
    clock->timeMode = timeMode;
    clock->resolution = resolution;
    rescaleFraction(*clock, oldUnit);
    return 1;
}

int32_t MIDIClock_GetTimeBase(const MIDIClock* clock, int32_t* timeMode, int32_t* resolution) {
    if (clock == nullptr) return 0;
    if (timeMode) *timeMode = clock->timeMode;
    if (resolution) *resolution = clock->resolution;
    return 1;
}

int32_t MIDIClock_GetTickCount(const MIDIClock* clock) {
    if (clock == nullptr) return 0;
    return saturate32(tickAt(*clock, MIDIClockLib_Now()));
}

// The sub-tick phase is kept, so that a loop wrap (tick minus the loop's
// length) loses no time however often it happens.
int32_t MIDIClock_SetTickCount(MIDIClock* clock, int32_t tick) {
    if (clock == nullptr) return 0;
    const int64_t now = MIDIClockLib_Now();
    if (clock->syncMode == kInSyncTimingClock) {
        clock->pulses.setTick(clock->resolution, clock->running, tick, now);
        return 1;
    }
    rebase(*clock, now);
    clock->tickBase = tick;
    return 1;
}

int32_t MIDIClock_ShiftTickCount(MIDIClock* clock, int64_t ticks) {
    if (clock == nullptr) return 0;
    if (clock->syncMode == kInSyncTimingClock) clock->pulses.shift(ticks);
    else clock->tickBase += ticks;
    return 1;
}

int32_t MIDIClock_IsWaitingForMaster(const MIDIClock* clock) {
    return clock != nullptr && waitsForMaster(*clock) ? 1 : 0;
}

int32_t MIDIClock_GetMillisec(const MIDIClock* clock) {
    if (clock == nullptr) return 0;
    int64_t subMillisecond = 0;
    return saturate32(floorDiv(positionAt(*clock, MIDIClockLib_Now()), kNsPerMs, &subMillisecond));
}

int32_t MIDIClock_SetMillisec(MIDIClock* clock, int32_t millisec) {
    if (clock == nullptr) return 0;
    rebase(*clock, MIDIClockLib_Now());
    int64_t subMillisecond = 0;
    floorDiv(clock->anchorPosition, kNsPerMs, &subMillisecond);
    const int64_t position = static_cast<int64_t>(millisec) * kNsPerMs + subMillisecond;
    if (clock->positionCeiling != kNoCeiling) {
        clock->positionCeiling += position - clock->anchorPosition;
    }
    clock->anchorPosition = position;
    clock->tickBasePosition = position;  // the tick stays where it is
    return 1;
}

int64_t MIDIClock_GetTimeOfTickCount(const MIDIClock* clock, int32_t tick) {
    if (clock == nullptr || waitsForMaster(*clock)) return kMIDIClockUnknownTime;
    if (clock->syncMode == kInSyncTimingClock) {
        if (!clock->running) return kMIDIClockUnknownTime;
        return clock->pulses.timeOfTick(clock->resolution, tick, MIDIClockLib_Now());
    }
    return timeOfPosition(*clock, positionOfTick(*clock, tick));
}

int64_t MIDIClock_GetTimeOfMillisec(const MIDIClock* clock, int32_t millisec) {
    if (clock == nullptr || waitsForMaster(*clock)) return kMIDIClockUnknownTime;
    return timeOfPosition(*clock, static_cast<int64_t>(millisec) * kNsPerMs);
}

int32_t MIDIClock_SetMIDIInSyncMode(MIDIClock* clock, int32_t syncMode) {
    if (clock == nullptr || syncMode < kInSyncNone || syncMode > kInSyncTimeCode) return 0;
    if (syncMode == clock->syncMode) return 1;
    const int64_t now = MIDIClockLib_Now();
    rebase(*clock, now);
    if (clock->syncMode == kInSyncTimingClock) {
        clock->tickBase = clock->pulses.tickAt(clock->resolution, clock->running, now);
        clock->tickFraction = 0;
    } else if (syncMode == kInSyncTimingClock) {
        clock->pulses.enter(clock->tickBase);
    }
    clock->syncMode = syncMode;
    clock->awaitingCode = false;
    // Following time code, the position waits for the first code.
    clock->positionCeiling = syncMode == kInSyncTimeCode ? clock->anchorPosition : kNoCeiling;
    clock->quarterFrames.forget();
    return 1;
}

int32_t MIDIClock_GetMIDIInSyncMode(const MIDIClock* clock) {
    return clock != nullptr ? clock->syncMode : 0;
}

int32_t MIDIClock_PutMIDIMessage(MIDIClock* clock, const uint8_t* message, int32_t length) {
    return MIDIClock_PutMIDIMessageAt(clock, message, length, MIDIClockLib_Now());
}

int32_t MIDIClock_PutMIDIMessageAt(MIDIClock* clock, const uint8_t* message, int32_t length,
                                   int64_t receivedAt) {
    if (clock == nullptr || message == nullptr || length < 1) return 0;
    // Tempo and phase come from when the message arrived; a time stamped
    // ahead of the clock's own now is taken as now.
    const int64_t now = MIDIClockLib_Now();
    const int64_t at = std::min(receivedAt, now);
    if (clock->syncMode == kInSyncTimingClock) {
        switch (message[0]) {
        case kTimingClock: return clock->pulses.pulse(clock->resolution, clock->running, at, now) ? 1 : 0;
        case kMidiStart:
        case kMidiContinue:
            clock->pulses.masterStarts(clock->resolution, clock->running, message[0] == kMidiContinue, now);
            return 0;
        case kMidiStop: clock->pulses.masterStops(clock->running); return 0;
        default: return 0;
        }
    }
    if (clock->syncMode != kInSyncTimeCode) return 0;
    TimeCode code{};
    if (message[0] == kQuarterFrame && length >= 2) {
        int64_t codeTime = at;
        if (!clock->quarterFrames.put(message[1], at, &code, &codeTime) || !clock->running) return 0;
        receiveQuarterFrameCode(*clock, code, codeTime, now);
        clock->awaitingCode = false;
        return 1;
    }
    if (message[0] == kSystemExclusive && decodeFullFrame(message, length, &code)) {
        // Quarter-frame pieces before the full frame belong to another time.
        clock->quarterFrames.forget();
        if (!clock->running) return 0;
        receiveFullFrame(*clock, code, now);
        clock->awaitingCode = false;
        return 1;
    }
    return 0;
}

int32_t MIDIClock_GetLocateCount(const MIDIClock* clock) {
    return clock != nullptr ? static_cast<int32_t>(clock->locateCount) : 0;
}
