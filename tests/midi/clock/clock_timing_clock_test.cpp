// A clock following MIDI timing clock, pulse by pulse, through Start, a
// Stop and Continue, a song position, a loop wrap and a master whose first
// pulse beats the player's own Start, at resolutions with and without a
// whole number of ticks per pulse.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "midi/clock/midi_clock.h"
#include "tests/support/fake_time.h"

namespace {

constexpr int64_t kPulseNs = 20000000;

struct ClockDeleter {
    void operator()(MIDIClock* clock) const { MIDIClock_Delete(clock); }
};

// The clock as the player drives it, and where its pulses must land: pulse
// k after the start position S reads S + floor(k * resolution / 24).
class Follower {
public:
    explicit Follower(int32_t resolution)
        : clock_(MIDIClock_Create(0, resolution, 500000)), resolution_(resolution) {
        MIDIClock_SetMIDIInSyncMode(clock_.get(), 1);
    }

    MIDIClock* clock() { return clock_.get(); }
    int32_t tick() { return MIDIClock_GetTickCount(clock_.get()); }
    int32_t put(uint8_t byte) { return MIDIClock_PutMIDIMessage(clock_.get(), &byte, 1); }
    void wait(int64_t ns) { time_.advanceNs(ns); }
    int64_t expectedTick(int64_t k) const { return start_ + k * resolution_ / 24; }

    // The player starts from `start`: the next pulse is pulse 0.
    void startsAt(int64_t start) {
        start_ = start;
        last_ = -1;
        sincePlay_ = 0;
    }
    void continues() { sincePlay_ = 0; }
    void wraps(int64_t loopLength) { start_ -= loopLength; }

    // The next pulse, `gap` after the last. Before it the tick never goes
    // back nor runs more than two pulses past the last one; the pulse puts
    // it on its own tick, or leaves it where it had run ahead to.
    void pulse(int64_t gap = kPulseNs) {
        const int64_t expected = expectedTick(last_ + 1);
        const int32_t before = tick();
        wait(gap);
        const int32_t waiting = tick();
        EXPECT_LE(before, waiting);
        EXPECT_LE(waiting, expectedTick(last_ + 2)) << "pulse " << last_ + 1;
        EXPECT_EQ(put(0xF8), 1);
        receivedAt(std::max<int64_t>(expected, waiting));
    }

    // The time given for the tick before the following pulse is the one the
    // measured rate predicts; past two pulses ahead it is unknown.
    void receivedAt(int64_t shown) {
        ++last_;
        ++sincePlay_;
        ASSERT_EQ(tick(), shown) << "pulse " << last_;
        EXPECT_EQ(MIDIClock_GetTimeOfTickCount(clock_.get(), static_cast<int32_t>(expectedTick(last_ + 2) + 1)),
                  kMIDIClockUnknownTime);
        const int64_t next = expectedTick(last_ + 1);
        if (sincePlay_ < 2 || next - 1 <= shown) return;
        // 24ths of a tick past the pulse, at `resolution` 24ths per 20 ms.
        const int64_t needed = (next - 1 - start_) * 24 - last_ * resolution_;
        const int64_t predicted = time_.nowNs() + (needed * kPulseNs + resolution_ - 1) / resolution_;
        EXPECT_EQ(MIDIClock_GetTimeOfTickCount(clock_.get(), static_cast<int32_t>(next - 1)), predicted);
        EXPECT_EQ(MIDIClock_GetTimeOfTickCount(clock_.get(), static_cast<int32_t>(shown)), time_.nowNs());
    }

private:
    FakeTime time_;
    std::unique_ptr<MIDIClock, ClockDeleter> clock_;
    int32_t resolution_;
    int64_t start_ = 0;
    int64_t last_ = -1;     // index of the last pulse after the start
    int64_t sincePlay_ = 0;  // pulses since the clock's Start
};

TEST(ClockFollowingTimingClock, EveryPulseLandsOnItsTickAndNoneBefore) {
    for (int32_t resolution : {24, 96, 480, 960, 100}) {
        SCOPED_TRACE(resolution);
        Follower f(resolution);
        MIDIClock* clock = f.clock();

        // Start: the clock stands before tick 0 until the first pulse.
        MIDIClock_Reset(clock);
        MIDIClock_Start(clock);
        f.startsAt(0);
        f.wait(100000000);
        EXPECT_EQ(f.tick(), -1);
        for (int i = 0; i < 30; ++i) f.pulse();

        // Stop between pulses: the tick stays where it stood and the first
        // pulse after Continue is the one after the last before Stop.
        f.wait(kPulseNs / 2);
        const int32_t shown = f.tick();
        f.put(0xFC);
        EXPECT_EQ(f.put(0xF8), 0) << "a pulse after the master's Stop, before the player's";
        MIDIClock_Stop(clock);
        EXPECT_EQ(f.put(0xF8), 0);
        MIDIClock_Start(clock);
        f.continues();
        f.wait(500000000);
        EXPECT_EQ(f.tick(), shown);
        for (int i = 0; i < 10; ++i) f.pulse();

        // A loop wrap keeps the phase between pulses.
        f.wait(kPulseNs / 2);
        const int32_t beforeWrap = f.tick();
        const int32_t loopLength = 4 * resolution;
        MIDIClock_SetTickCount(clock, beforeWrap - loopLength);
        EXPECT_EQ(f.tick(), beforeWrap - loopLength);
        f.wraps(loopLength);
        f.pulse(kPulseNs / 2);
        for (int i = 0; i < 4; ++i) f.pulse();

        // Continue after a song position, as the input thread locates.
        MIDIClock_Stop(clock);
        MIDIClock_Reset(clock);
        MIDIClock_SetTickCount(clock, 3 * resolution);
        MIDIClock_Start(clock);
        f.startsAt(3 * resolution);
        EXPECT_EQ(f.tick(), 3 * resolution - 1);
        for (int i = 0; i < 25; ++i) f.pulse();

        // The master's first pulse comes before the player acts on its
        // Start: it is the pulse of tick 0 all the same.
        MIDIClock_Stop(clock);
        const int32_t stoppedAt = f.tick();
        f.put(0xFA);
        f.wait(1000000);
        EXPECT_EQ(f.put(0xF8), 1);
        EXPECT_EQ(f.tick(), stoppedAt) << "kept for the player, not shown while stopped";
        f.wait(3000000);
        MIDIClock_Reset(clock);
        MIDIClock_Start(clock);
        f.startsAt(0);
        f.receivedAt(0);
        f.pulse(kPulseNs - 3000000);
        for (int i = 0; i < 2; ++i) f.pulse();

        // The same with Start pressed again while playing.
        f.put(0xFA);
        EXPECT_EQ(f.put(0xF8), 1);
        MIDIClock_Reset(clock);
        MIDIClock_Start(clock);
        f.startsAt(0);
        f.receivedAt(0);
        for (int i = 0; i < 30; ++i) f.pulse();
    }
}

// A Start the player never acted on (no pattern loaded) leaves no pulses
// behind for a Start seconds later.
TEST(ClockFollowingTimingClock, PulsesOfAStartThePlayerDidNotTakeAreDropped) {
    Follower f(480);
    f.put(0xFA);
    for (int i = 0; i < 5; ++i) f.put(0xF8);
    f.wait(2000000000);
    MIDIClock_Reset(f.clock());
    MIDIClock_Start(f.clock());
    EXPECT_EQ(f.tick(), -1);
}

}  // namespace
