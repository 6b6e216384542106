// The clock following received MIDI timing clock (sync mode 1, 0xF8). By
// MIDI's convention: after Start or Continue the position stands still until
// the next pulse; that pulse reads the start position, and every later pulse
// adds resolution / 24 ticks, the remainder carried. Between pulses the tick
// runs on at the pulse rate measured over the last few pulses (their
// arrival times as the port stamped them), up to kLeadPulses pulses past the
// last pulse handed over: a driver that hands pulses over in batches does
// not hold the notes back until the batch comes, and a master that stops
// is overrun by two pulses at most. A pulse that finds the tick already past
// its own (the master slowed down) leaves it standing there until the
// measured rate carries the position on: the tick never goes back.
//
// Start and Continue reach the player through the main window's queue while
// pulses reach the clock at once, so the clock hears the master's Start or
// Continue too: the pulses that arrive between it and the player's own
// Start (or Reset) are kept and count from the start position. Likewise the
// pulses between the master's Stop and the player's are not counted.
//
// The millisecond counter keeps running on the monotonic time source. The
// operations are those of every follower (own_tempo_follower.h).
#pragma once

#include <cstdint>
#include <optional>

#include "midi/clock/clock_position.h"

class PulseFollower {
public:
    int64_t positionAt(const ClockCore& core, int64_t now) const { return core.positionAt(now, kNoCeiling); }
    int64_t tickAt(const ClockCore& core, int64_t now) const { return readTick(core.resolution, core.running, now); }
    // No pulse counted since the clock's Start.
    bool waiting() const { return counted_ == 0; }
    // When a running clock first reads `tick`: now when it already does, the
    // time the measured rate predicts for a tick before the next pulse's,
    // and kMIDIClockUnknownTime for the next pulse's tick and beyond. Reads
    // the time source only when it must.
    int64_t timeOfTick(const ClockCore& core, int64_t tick) const;
    int64_t timeOfPosition(const ClockCore& core, int64_t position) const {
        return core.timeOfPosition(position, kNoCeiling);
    }

    void rebase(ClockCore& core, int64_t now) { core.anchorAt(positionAt(core, now), now); }
    void start(const ClockCore& core, int64_t now);
    // Fixes the position, at a Stop or before the size of a pulse step
    // changes: the reading stays where it is and the next pulse reads the
    // tick after the last pulse's step.
    void settle(const ClockCore& core, int64_t now) { settlePulses(core.resolution, core.running, now); }
    void reset(const ClockCore& core, int64_t now);
    // Tempo is the master's business.
    void rateChanged(TickRate, TickRate) {}
    // Stopped: the pulse after the next Start reads `tick`. Running: the
    // clock reads `tick` now and keeps its phase between pulses (a loop wrap).
    void setTick(ClockCore& core, int64_t tick, int64_t now);
    // Moves the position and a start position still to come by `ticks`.
    void shift(int64_t ticks);
    void setPosition(ClockCore& core, int64_t position) { core.anchorPosition = position; }
    // Timing clock, and the master's Start, Continue and Stop; a pulse that
    // arrived at `at` (not after `now`) is counted unless the clock is
    // stopped and no received Start or Continue awaits the player.
    int32_t put(ClockCore& core, const uint8_t* message, int32_t length, int64_t at, int64_t now);

    CarriedTick leave(const ClockCore& core, int64_t now) const { return {tickAt(core, now), 0}; }
    // Takes over the tick another mode shows, as if a pulse had just put it
    // there.
    void enter(const ClockCore& core, CarriedTick tick);

    // How far the tick may run on past the last pulse, in pulses: a batch
    // of two pulses every 40 ms (a Bluetooth connection interval) is
    // covered, a stopped master is overrun by less than a sixteenth.
    static constexpr int32_t kLeadPulses = 2;

private:
    static constexpr int32_t kHistory = 8;

    // The pulse rate measured over the ring of arrival times: a step of
    // `stepsPerSpan` 24ths of a tick in `span` ns, up to the newest pulse.
    struct MeasuredRate {
        int64_t newest;
        int64_t span;
        int64_t stepsPerSpan;
        int64_t stepsIn(int64_t nanoseconds) const;
        int64_t nanosecondsFor(int64_t steps) const;  // the least time that covers them
    };
    // None before two pulses with time between them.
    std::optional<MeasuredRate> measuredRate(int32_t resolution) const;

    int64_t readTick(int32_t resolution, bool running, int64_t now) const;
    int64_t timeOfTickAt(int32_t resolution, int64_t tick, int64_t now) const;
    void settlePulses(int32_t resolution, bool running, int64_t now);
    bool pulse(int32_t resolution, bool running, int64_t at, int64_t now);
    void masterStarts(int32_t resolution, bool running, bool isContinue, int64_t now);
    void masterStops(bool running);

    int64_t pulseTick(int32_t resolution, int64_t index) const;
    int64_t lastPulseInTwentyFourths(int32_t resolution) const;
    int64_t newestTime() const;
    bool pendingStartHolds(int64_t now) const;
    void forgetPulses();

    // Pulse k after the start (0 = the start pulse) reads startTick +
    // floor((startRemainder + k * resolution) / 24).
    int64_t startTick_ = 0;
    int64_t startRemainder_ = 0;  // 24ths of a tick
    int64_t counted_ = 0;         // pulses since the start, the start pulse included
    int64_t heldTick_ = -1;       // the reading while no pulse is counted
    int64_t shownFloor_ = INT64_MIN;  // what the tick showed when the last pulse came

    int64_t times_[kHistory] = {};  // arrival of the latest pulses, a ring
    int32_t historyNext_ = 0;
    int32_t historyCount_ = 0;

    bool startPending_ = false;  // a received Start/Continue the player has not acted on
    bool masterStopped_ = false;  // a received Stop the running clock has not had yet
    int64_t pendingSince_ = 0;
    int64_t pendingPulses_ = 0;
};
