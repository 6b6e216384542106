// The clock keeps two positions: the millisecond counter (held in
// nanoseconds) and the tick counter. Both are computed from bases fixed at
// the last re-base plus the time elapsed since, so reading a clock changes
// nothing and no rounding error builds up.
//
// What drives them depends on the sync mode, and each mode has its follower:
// own_tempo_follower.h, pulse_follower.h (MIDI timing clock) and
// time_code_follower.h. Every operation here does the part all modes share
// and hands the rest to the follower of the clock's mode.
#include "midi/clock/midi_clock.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <limits>
#include <new>

#include "midi/clock/clock_position.h"
#include "midi/clock/midi_clock_math.h"
#include "midi/clock/own_tempo_follower.h"
#include "midi/clock/pulse_follower.h"
#include "midi/clock/time_code_follower.h"
#include "midi/midi_bytes.h"

using clockmath::floorDiv;

namespace {

constexpr int64_t kNsPerMs = 1000000;
constexpr int32_t kMaxResolution = 1000000;

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

}  // namespace

struct MIDIClock {
    ClockCore core;
    int32_t syncMode = kInSyncNone;
    // One follower per mode; those of the other modes keep their state
    // (the time code's locate count) and are set up again on entering.
    OwnTempoFollower ownTempo;
    PulseFollower pulses;
    TimeCodeFollower timeCode;
};

namespace {

// Runs `operation` on the follower of the clock's sync mode.
template <typename Clock, typename Operation>
decltype(auto) withFollower(Clock& clock, Operation&& operation) {
    switch (clock.syncMode) {
    case kInSyncTimingClock: return operation(clock.pulses);
    case kInSyncTimeCode: return operation(clock.timeCode);
    default: return operation(clock.ownTempo);
    }
}

bool waitsForMaster(const MIDIClock& c) {
    return c.core.running && withFollower(c, [](const auto& f) { return f.waiting(); });
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
    clock->core.timeMode = timeMode;
    clock->core.resolution = resolution;
    clock->core.tempo = tempo;
    clock->core.anchorTime = MIDIClockLib_Now();
    return clock;
}

void MIDIClock_Delete(MIDIClock* clock) {
    delete clock;
}

int32_t MIDIClock_Start(MIDIClock* clock) {
    if (clock == nullptr) return 0;
    ClockCore& core = clock->core;
    const int64_t now = MIDIClockLib_Now();
    withFollower(*clock, [&](auto& f) { f.start(core, now); });
    if (core.running) return 1;
    core.anchorTime = now;
    core.running = true;
    return 1;
}

int32_t MIDIClock_Stop(MIDIClock* clock) {
    if (clock == nullptr) return 0;
    ClockCore& core = clock->core;
    if (!core.running) return 1;
    const int64_t now = MIDIClockLib_Now();
    withFollower(*clock, [&](auto& f) {
        f.rebase(core, now);
        f.settle(core, now);
    });
    core.running = false;
    return 1;
}

int32_t MIDIClock_Reset(MIDIClock* clock) {
    if (clock == nullptr) return 0;
    ClockCore& core = clock->core;
    core.anchorAt(0, MIDIClockLib_Now());
    withFollower(*clock, [&](auto& f) { f.reset(core, core.anchorTime); });
    return 1;
}

int32_t MIDIClock_IsRunning(const MIDIClock* clock) {
    return clock != nullptr && clock->core.running ? 1 : 0;
}

int32_t MIDIClock_SetTempo(MIDIClock* clock, int32_t tempo) {
    if (clock == nullptr || tempo <= 0) return 0;
    ClockCore& core = clock->core;
    const TickRate oldRate = core.tickRate();
    const int64_t now = MIDIClockLib_Now();
    withFollower(*clock, [&](auto& f) {
        f.rebase(core, now);
        core.tempo = tempo;
        f.rateChanged(oldRate, core.tickRate());
    });
    return 1;
}

int32_t MIDIClock_GetTempo(const MIDIClock* clock) {
    return clock != nullptr ? clock->core.tempo : 0;
}

int32_t MIDIClock_SetTimeBase(MIDIClock* clock, int32_t timeMode, int32_t resolution) {
    if (clock == nullptr || !isValidTimeBase(timeMode, resolution)) return 0;
    ClockCore& core = clock->core;
    const int64_t now = MIDIClockLib_Now();
    const TickRate oldRate = core.tickRate();
    withFollower(*clock, [&](auto& f) {
        f.rebase(core, now);
        f.settle(core, now);
        core.timeMode = timeMode;
        core.resolution = resolution;
        f.rateChanged(oldRate, core.tickRate());
    });
    return 1;
}

int32_t MIDIClock_GetTimeBase(const MIDIClock* clock, int32_t* timeMode, int32_t* resolution) {
    if (clock == nullptr) return 0;
    if (timeMode) *timeMode = clock->core.timeMode;
    if (resolution) *resolution = clock->core.resolution;
    return 1;
}

int32_t MIDIClock_GetTickCount(const MIDIClock* clock) {
    if (clock == nullptr) return 0;
    const int64_t now = MIDIClockLib_Now();
    return saturate32(withFollower(*clock, [&](const auto& f) { return f.tickAt(clock->core, now); }));
}

// The sub-tick phase is kept, so that a loop wrap (tick minus the loop's
// length) loses no time however often it happens.
int32_t MIDIClock_SetTickCount(MIDIClock* clock, int32_t tick) {
    if (clock == nullptr) return 0;
    const int64_t now = MIDIClockLib_Now();
    withFollower(*clock, [&](auto& f) { f.setTick(clock->core, tick, now); });
    return 1;
}

int32_t MIDIClock_ShiftTickCount(MIDIClock* clock, int64_t ticks) {
    if (clock == nullptr) return 0;
    withFollower(*clock, [&](auto& f) { f.shift(ticks); });
    return 1;
}

int32_t MIDIClock_IsWaitingForMaster(const MIDIClock* clock) {
    return clock != nullptr && waitsForMaster(*clock) ? 1 : 0;
}

int32_t MIDIClock_GetMillisec(const MIDIClock* clock) {
    if (clock == nullptr) return 0;
    const int64_t now = MIDIClockLib_Now();
    const int64_t position = withFollower(*clock, [&](const auto& f) { return f.positionAt(clock->core, now); });
    int64_t subMillisecond = 0;
    return saturate32(floorDiv(position, kNsPerMs, &subMillisecond));
}

int32_t MIDIClock_SetMillisec(MIDIClock* clock, int32_t millisec) {
    if (clock == nullptr) return 0;
    ClockCore& core = clock->core;
    const int64_t now = MIDIClockLib_Now();
    withFollower(*clock, [&](auto& f) {
        f.rebase(core, now);
        int64_t subMillisecond = 0;
        floorDiv(core.anchorPosition, kNsPerMs, &subMillisecond);
        f.setPosition(core, static_cast<int64_t>(millisec) * kNsPerMs + subMillisecond);
    });
    return 1;
}

int64_t MIDIClock_GetTimeOfTickCount(const MIDIClock* clock, int32_t tick) {
    if (clock == nullptr || waitsForMaster(*clock)) return kMIDIClockUnknownTime;
    return withFollower(*clock, [&](const auto& f) { return f.timeOfTick(clock->core, tick); });
}

int64_t MIDIClock_GetTimeOfMillisec(const MIDIClock* clock, int32_t millisec) {
    if (clock == nullptr || waitsForMaster(*clock)) return kMIDIClockUnknownTime;
    const int64_t position = static_cast<int64_t>(millisec) * kNsPerMs;
    return withFollower(*clock, [&](const auto& f) { return f.timeOfPosition(clock->core, position); });
}

// The tick carries across: the follower left hands over what it shows,
// fraction included where both count on the millisecond counter.
int32_t MIDIClock_SetMIDIInSyncMode(MIDIClock* clock, int32_t syncMode) {
    if (clock == nullptr || syncMode < kInSyncNone || syncMode > kInSyncTimeCode) return 0;
    if (syncMode == clock->syncMode) return 1;
    ClockCore& core = clock->core;
    const int64_t now = MIDIClockLib_Now();
    const CarriedTick tick = withFollower(*clock, [&](auto& f) {
        f.rebase(core, now);
        return f.leave(core, now);
    });
    clock->syncMode = syncMode;
    withFollower(*clock, [&](auto& f) { f.enter(core, tick); });
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
    return withFollower(*clock, [&](auto& f) { return f.put(clock->core, message, length, at, now); });
}

int32_t MIDIClock_GetLocateCount(const MIDIClock* clock) {
    return clock != nullptr ? static_cast<int32_t>(clock->timeCode.locateCount()) : 0;
}
