#include "midi/clock/pulse_follower.h"

#include <algorithm>

#include "midi/clock/midi_clock.h"
#include "midi/clock/midi_clock_math.h"
#include "midi/midi_bytes.h"

using clockmath::floorDiv;
using clockmath::mulDivFloor;

namespace {

// How long a received Start or Continue waits for the player to act on it.
// The window's queue takes milliseconds; a Start that never reaches the
// player (no pattern loaded) must not make a much later Start jump ahead.
constexpr int64_t kPendingStartLifetimeNs = 1000000000;

}  // namespace

int64_t PulseFollower::pulseTick(int32_t resolution, int64_t index) const {
    return startTick_ + (startRemainder_ + index * resolution) / kClockPulsesPerQuarterNote;
}

bool PulseFollower::pendingStartHolds(int64_t now) const {
    return startPending_ && now - pendingSince_ <= kPendingStartLifetimeNs;
}

int64_t PulseFollower::newestTime() const {
    return times_[(historyNext_ + kHistory - 1) % kHistory];
}

int64_t PulseFollower::lastPulseInTwentyFourths(int32_t resolution) const {
    return startRemainder_ + (counted_ - 1) * resolution;
}

int64_t PulseFollower::MeasuredRate::stepsIn(int64_t nanoseconds) const {
    return mulDivFloor(nanoseconds, stepsPerSpan, span);
}

int64_t PulseFollower::MeasuredRate::nanosecondsFor(int64_t steps) const {
    int64_t rest = 0;
    return mulDivFloor(steps, span, stepsPerSpan, &rest) + (rest > 0 ? 1 : 0);
}

std::optional<PulseFollower::MeasuredRate> PulseFollower::measuredRate(int32_t resolution) const {
    if (historyCount_ < 2) return std::nullopt;
    const int64_t newest = newestTime();
    const int64_t oldest = times_[(historyNext_ + kHistory - historyCount_) % kHistory];
    if (newest - oldest <= 0) return std::nullopt;
    return MeasuredRate{newest, newest - oldest, int64_t{resolution} * (historyCount_ - 1)};
}

int64_t PulseFollower::readTick(int32_t resolution, bool running, int64_t now) const {
    // A stopped clock does not move with the pulses it keeps for the
    // player's Start.
    if (counted_ == 0 || (!running && startPending_)) return heldTick_;
    const int64_t last = pulseTick(resolution, counted_ - 1);
    const std::optional<MeasuredRate> rate = running ? measuredRate(resolution) : std::nullopt;
    if (!rate) return std::max(last, shownFloor_);
    // In 24ths of a tick: where the last pulse stands, and how far the
    // measured rate has carried the position since, up to the lead.
    const int64_t sinceLast = std::max<int64_t>(now - rate->newest, 0);
    const int64_t ahead = std::min<int64_t>(rate->stepsIn(sinceLast), int64_t{resolution} * kLeadPulses);
    int64_t unused = 0;
    const int64_t moved = startTick_ + floorDiv(lastPulseInTwentyFourths(resolution) + ahead,
                                                kClockPulsesPerQuarterNote, &unused);
    return std::max({last, moved, shownFloor_});
}

int64_t PulseFollower::timeOfTick(const ClockCore& core, int64_t tick) const {
    if (!core.running) return kMIDIClockUnknownTime;
    return timeOfTickAt(core.resolution, tick, MIDIClockLib_Now());
}

int64_t PulseFollower::timeOfTickAt(int32_t resolution, int64_t tick, int64_t now) const {
    if (counted_ == 0) return kMIDIClockUnknownTime;
    if (tick <= readTick(resolution, true, now)) return now;
    const std::optional<MeasuredRate> rate = measuredRate(resolution);
    if (tick > pulseTick(resolution, counted_ - 1 + kLeadPulses) || !rate) return kMIDIClockUnknownTime;
    // The least time since the last pulse at which readTick reads `tick`.
    const int64_t needed =
        (tick - startTick_) * kClockPulsesPerQuarterNote - lastPulseInTwentyFourths(resolution);
    return rate->newest + rate->nanosecondsFor(needed);
}

int32_t PulseFollower::put(ClockCore& core, const uint8_t* message, int32_t, int64_t at, int64_t now) {
    switch (message[0]) {
    case kTimingClock: return pulse(core.resolution, core.running, at, now) ? 1 : 0;
    case kMidiStart:
    case kMidiContinue: masterStarts(core.resolution, core.running, message[0] == kMidiContinue, now); return 0;
    case kMidiStop: masterStops(core.running); return 0;
    default: return 0;
    }
}

bool PulseFollower::pulse(int32_t resolution, bool running, int64_t at, int64_t now) {
    if (running ? masterStopped_ : !pendingStartHolds(now)) return false;
    // The tick never goes back: not below what it showed before this pulse,
    // nor, for the first pulse after Continue, below where it stood at Stop.
    if (running) shownFloor_ = counted_ > 0 ? readTick(resolution, true, now) : heldTick_;
    // Stamps out of order (two ports, a driver's rounding) count as equal.
    const int64_t stamped = std::min(at, now);
    times_[historyNext_] = historyCount_ > 0 ? std::max(stamped, newestTime()) : stamped;
    historyNext_ = (historyNext_ + 1) % kHistory;
    historyCount_ = std::min(historyCount_ + 1, kHistory);
    ++counted_;
    if (startPending_) ++pendingPulses_;
    return true;
}

void PulseFollower::masterStarts(int32_t resolution, bool running, bool isContinue, int64_t now) {
    // A Continue to a clock that runs already has nothing to start.
    if (running && isContinue) return;
    if (!running && counted_ > 0) {
        if (startPending_) {
            // The pulses counted for an earlier Start that never reached the player.
            counted_ = 0;
            forgetPulses();
        } else {
            settlePulses(resolution, false, now);
        }
    }
    startPending_ = true;
    pendingSince_ = now;
    pendingPulses_ = 0;
    masterStopped_ = false;
}

void PulseFollower::masterStops(bool running) {
    if (!running && startPending_) {
        counted_ = 0;
        forgetPulses();
    }
    startPending_ = false;
    // Until the player stops too, pulses from a master that keeps sending
    // them must not move the position it will continue from.
    masterStopped_ = running;
}

void PulseFollower::start(const ClockCore& core, int64_t now) {
    if (!core.running && !pendingStartHolds(now)) {
        if (startPending_) {
            counted_ = 0;  // counted for a Start the player did not act on in time
        } else if (counted_ > 0) {
            settlePulses(core.resolution, false, now);
        }
        forgetPulses();
    }
    startPending_ = false;
    masterStopped_ = false;
}

void PulseFollower::settlePulses(int32_t resolution, bool running, int64_t now) {
    if (counted_ == 0) return;
    const int64_t shown = readTick(resolution, running, now);
    const int64_t total = startRemainder_ + counted_ * resolution;
    startTick_ += total / kClockPulsesPerQuarterNote;
    startRemainder_ = total % kClockPulsesPerQuarterNote;
    counted_ = 0;
    heldTick_ = shown;
    forgetPulses();
}

void PulseFollower::reset(const ClockCore&, int64_t now) {
    startTick_ = 0;
    startRemainder_ = 0;
    heldTick_ = -1;
    shownFloor_ = INT64_MIN;
    if (pendingStartHolds(now)) {
        // The pulses since the master's Start belong to the run about to begin.
        counted_ = pendingPulses_;
        historyCount_ = static_cast<int32_t>(std::min<int64_t>(historyCount_, pendingPulses_));
    } else {
        counted_ = 0;
        forgetPulses();
    }
}

void PulseFollower::setTick(ClockCore& core, int64_t tick, int64_t now) {
    if (core.running) {
        shift(tick - readTick(core.resolution, true, now));
        return;
    }
    if (!pendingStartHolds(now)) {
        counted_ = 0;
        forgetPulses();
    }
    startTick_ = tick;
    startRemainder_ = 0;
    heldTick_ = tick - 1;
    shownFloor_ = INT64_MIN;
}

void PulseFollower::shift(int64_t ticks) {
    startTick_ += ticks;
    heldTick_ += ticks;
    if (shownFloor_ != INT64_MIN) shownFloor_ += ticks;
}

void PulseFollower::enter(const ClockCore&, CarriedTick tick) {
    startTick_ = tick.tick;
    startRemainder_ = 0;
    counted_ = 1;
    heldTick_ = tick.tick;
    forgetPulses();
    startPending_ = false;
}

void PulseFollower::forgetPulses() {
    historyCount_ = 0;
    shownFloor_ = INT64_MIN;
}
