// When a clock will reach a tick or a millisecond: the workers sleep until
// then, so the answer must be exact to the nanosecond, and unknown when the
// clock cannot tell.
#include <gtest/gtest.h>

#include <memory>

#include "midi/clock/midi_clock.h"
#include "tests/support/fake_time.h"

namespace {

struct ClockDeleter {
    void operator()(MIDIClock* clock) const { MIDIClock_Delete(clock); }
};
using ClockPtr = std::unique_ptr<MIDIClock, ClockDeleter>;

void advanceTo(FakeTime& time, int64_t when) {
    time.advanceNs(when - MIDIClockLib_Now());
}

struct DueCase {
    const char* what;
    int32_t timeMode, resolution, tempo;
    int32_t setTick;  // a loop wrap before the question, or -1
    int32_t newTempo; // a tempo change before the question, or 0
};

TEST(ClockDueTime, TheTickIsReachedAtTheTimeGivenAndNotBefore) {
    const DueCase cases[] = {
        {"480 ticks at 120 bpm", 0, 480, 500000, -1, 0},
        {"960 ticks at 240 bpm after a wrap", 0, 960, 250000, 17, 0},
        {"an odd tempo after a change", 0, 96, 500000, -1, 333333},
        {"29.97 frames per second", 29, 80, 500000, 5, 0},
        {"25 frames per second", 25, 40, 500000, -1, 0},
    };
    for (const DueCase& c : cases) {
        FakeTime time;
        ClockPtr clock(MIDIClock_Create(c.timeMode, c.resolution, c.tempo));
        MIDIClock_Start(clock.get());
        time.advanceNs(123456789);
        if (c.setTick >= 0) MIDIClock_SetTickCount(clock.get(), c.setTick);
        if (c.newTempo > 0) MIDIClock_SetTempo(clock.get(), c.newTempo);
        time.advanceNs(7654321);
        for (int step = 1; step <= 50; ++step) {
            const int32_t target = MIDIClock_GetTickCount(clock.get()) + step % 7 + 1;
            const int64_t due = MIDIClock_GetTimeOfTickCount(clock.get(), target);
            ASSERT_GT(due, MIDIClockLib_Now()) << c.what;
            advanceTo(time, due - 1);
            ASSERT_EQ(MIDIClock_GetTickCount(clock.get()), target - 1) << c.what << ", step " << step;
            advanceTo(time, due);
            ASSERT_EQ(MIDIClock_GetTickCount(clock.get()), target) << c.what << ", step " << step;
            // Already reached: the answer is not in the future.
            EXPECT_LE(MIDIClock_GetTimeOfTickCount(clock.get(), target), MIDIClockLib_Now());
        }
        const int32_t millisec = MIDIClock_GetMillisec(clock.get()) + 3;
        const int64_t due = MIDIClock_GetTimeOfMillisec(clock.get(), millisec);
        advanceTo(time, due - 1);
        EXPECT_EQ(MIDIClock_GetMillisec(clock.get()), millisec - 1) << c.what;
        advanceTo(time, due);
        EXPECT_EQ(MIDIClock_GetMillisec(clock.get()), millisec) << c.what;
    }
}

TEST(ClockDueTime, UnknownWhenTheClockCannotTell) {
    FakeTime time;
    ClockPtr stopped(MIDIClock_Create(0, 480, 500000));
    EXPECT_EQ(MIDIClock_GetTimeOfTickCount(stopped.get(), 10), kMIDIClockUnknownTime);
    EXPECT_EQ(MIDIClock_GetTimeOfMillisec(stopped.get(), 10), kMIDIClockUnknownTime);
    EXPECT_EQ(MIDIClock_GetTimeOfTickCount(nullptr, 10), kMIDIClockUnknownTime);

    // Following MIDI timing clock the tick waits for pulses; the
    // milliseconds run in real time, but nothing falls due before the
    // master's first pulse.
    ClockPtr pulses(MIDIClock_Create(0, 480, 500000));
    MIDIClock_SetMIDIInSyncMode(pulses.get(), 1);
    MIDIClock_Start(pulses.get());
    EXPECT_EQ(MIDIClock_GetTimeOfTickCount(pulses.get(), 10), kMIDIClockUnknownTime);
    EXPECT_EQ(MIDIClock_GetTimeOfMillisec(pulses.get(), 10), kMIDIClockUnknownTime);
    const uint8_t pulse = 0xF8;
    MIDIClock_PutMIDIMessage(pulses.get(), &pulse, 1);
    EXPECT_EQ(MIDIClock_GetTimeOfMillisec(pulses.get(), 10), MIDIClockLib_Now() + 10000000);

    // Following time code: known within the run-on after a code (four
    // frames at 30 fps, 133 ms), unknown past it.
    ClockPtr code(MIDIClock_Create(0, 480, 500000));
    MIDIClock_SetMIDIInSyncMode(code.get(), 2);
    MIDIClock_Start(code.get());
    EXPECT_EQ(MIDIClock_GetTimeOfMillisec(code.get(), 1), kMIDIClockUnknownTime);
    // 00:00:01:00 at 30 fps in eight quarter frames.
    const uint8_t pieces[] = {0x00, 0x10, 0x21, 0x30, 0x40, 0x50, 0x60, 0x76};
    for (uint8_t piece : pieces) {
        const uint8_t quarterFrame[] = {0xF1, piece};
        MIDIClock_PutMIDIMessage(code.get(), quarterFrame, 2);
    }
    EXPECT_EQ(MIDIClock_GetTimeOfMillisec(code.get(), 1100), MIDIClockLib_Now() + 100000000);
    EXPECT_EQ(MIDIClock_GetTimeOfMillisec(code.get(), 1200), kMIDIClockUnknownTime);
    EXPECT_EQ(MIDIClock_GetTimeOfTickCount(code.get(), 960 + 48), MIDIClockLib_Now() + 50000000);
}

}  // namespace
