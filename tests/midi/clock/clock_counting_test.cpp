// The clock on its own tempo (sync mode 0), driven by a fake time source.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "midi/clock/midi_clock.h"
#include "tests/support/fake_time.h"

namespace {

struct ClockDeleter {
    void operator()(MIDIClock* clock) const { MIDIClock_Delete(clock); }
};
using ClockPtr = std::unique_ptr<MIDIClock, ClockDeleter>;

ClockPtr makeClock(int32_t timeMode, int32_t resolution, int32_t tempo) {
    return ClockPtr(MIDIClock_Create(timeMode, resolution, tempo));
}

TEST(ClockCreation, RefusesUnusableTimeBasesAndTempos) {
    EXPECT_EQ(MIDIClock_Create(1, 480, 500000), nullptr);
    EXPECT_EQ(MIDIClock_Create(26, 480, 500000), nullptr);
    EXPECT_EQ(MIDIClock_Create(0, 0, 500000), nullptr);
    EXPECT_EQ(MIDIClock_Create(0, -96, 500000), nullptr);
    EXPECT_EQ(MIDIClock_Create(0, 480, 0), nullptr);
    EXPECT_EQ(MIDIClock_Create(0, 480, -1), nullptr);

    ClockPtr clock = makeClock(29, 80, 500000);
    ASSERT_NE(clock, nullptr);
    int32_t timeMode = -1, resolution = -1;
    EXPECT_EQ(MIDIClock_GetTimeBase(clock.get(), &timeMode, &resolution), 1);
    EXPECT_EQ(timeMode, 29);
    EXPECT_EQ(resolution, 80);
    EXPECT_EQ(MIDIClock_GetTempo(clock.get()), 500000);
    EXPECT_EQ(MIDIClock_IsRunning(clock.get()), 0);
    EXPECT_EQ(MIDIClock_GetMIDIInSyncMode(clock.get()), 0);

    // Refused changes leave the clock as it was.
    EXPECT_EQ(MIDIClock_SetTimeBase(clock.get(), 7, 480), 0);
    EXPECT_EQ(MIDIClock_SetTempo(clock.get(), 0), 0);
    EXPECT_EQ(MIDIClock_SetMIDIInSyncMode(clock.get(), 3), 0);
    MIDIClock_GetTimeBase(clock.get(), &timeMode, &resolution);
    EXPECT_EQ(timeMode, 29);
    EXPECT_EQ(MIDIClock_GetTempo(clock.get()), 500000);
    EXPECT_EQ(MIDIClock_GetMIDIInSyncMode(clock.get()), 0);
}

TEST(ClockCreation, EveryOperationAcceptsANullClock) {
    const uint8_t pulse = 0xF8;
    int32_t timeMode = 5, resolution = 5;
    MIDIClock_Delete(nullptr);
    EXPECT_EQ(MIDIClock_Start(nullptr), 0);
    EXPECT_EQ(MIDIClock_Stop(nullptr), 0);
    EXPECT_EQ(MIDIClock_Reset(nullptr), 0);
    EXPECT_EQ(MIDIClock_IsRunning(nullptr), 0);
    EXPECT_EQ(MIDIClock_SetTempo(nullptr, 500000), 0);
    EXPECT_EQ(MIDIClock_GetTempo(nullptr), 0);
    EXPECT_EQ(MIDIClock_SetTimeBase(nullptr, 0, 480), 0);
    EXPECT_EQ(MIDIClock_GetTimeBase(nullptr, &timeMode, &resolution), 0);
    EXPECT_EQ(MIDIClock_GetTickCount(nullptr), 0);
    EXPECT_EQ(MIDIClock_SetTickCount(nullptr, 10), 0);
    EXPECT_EQ(MIDIClock_GetMillisec(nullptr), 0);
    EXPECT_EQ(MIDIClock_SetMillisec(nullptr, 10), 0);
    EXPECT_EQ(MIDIClock_SetMIDIInSyncMode(nullptr, 1), 0);
    EXPECT_EQ(MIDIClock_GetMIDIInSyncMode(nullptr), 0);
    EXPECT_EQ(MIDIClock_PutMIDIMessage(nullptr, &pulse, 1), 0);
}

TEST(ClockCounting, CountsOnlyWhileRunning) {
    FakeTime time;
    ClockPtr clock = makeClock(0, 480, 500000);  // 120 bpm: 960 ticks a second
    time.advanceMs(700);
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 0);

    MIDIClock_Start(clock.get());
    EXPECT_EQ(MIDIClock_IsRunning(clock.get()), 1);
    time.advanceMs(250);
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 240);
    EXPECT_EQ(MIDIClock_GetMillisec(clock.get()), 250);

    MIDIClock_Stop(clock.get());
    time.advanceMs(5000);
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 240);
    EXPECT_EQ(MIDIClock_GetMillisec(clock.get()), 250);

    MIDIClock_Start(clock.get());
    MIDIClock_Start(clock.get());  // starting a running clock changes nothing
    time.advanceMs(750);
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 960);
    EXPECT_EQ(MIDIClock_GetMillisec(clock.get()), 1000);

    MIDIClock_Reset(clock.get());
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 0);
    EXPECT_EQ(MIDIClock_GetMillisec(clock.get()), 0);
    EXPECT_EQ(MIDIClock_IsRunning(clock.get()), 1);  // a reset keeps it running
    time.advanceMs(500);
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 480);
}

TEST(ClockCounting, FrameTimeModesCountTicksPerFrame) {
    struct Case {
        int32_t timeMode;
        int32_t resolution;
        int64_t elapsedNs;
        int32_t expectedTick;
    };
    const Case cases[] = {
        {24, 10, 1000000000, 240},
        {25, 40, 1000000000, 1000},
        {30, 80, 500000000, 1200},
        // 29.97 frames a second: 30 frames last 1001 ms.
        {29, 100, 1001000000, 3000},
        {29, 100, 1000000000, 2997},
    };
    for (const Case& c : cases) {
        FakeTime time;
        ClockPtr clock = makeClock(c.timeMode, c.resolution, 500000);
        MIDIClock_Start(clock.get());
        time.advanceNs(c.elapsedNs);
        EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), c.expectedTick) << "time mode " << c.timeMode;
    }
}

TEST(ClockCounting, TempoAndTimeBaseChangesKeepTheCountContinuous) {
    FakeTime time;
    ClockPtr clock = makeClock(0, 480, 500000);
    MIDIClock_Start(clock.get());
    time.advanceMs(500);                          // 480 ticks at 120 bpm
    EXPECT_EQ(MIDIClock_SetTempo(clock.get(), 250000), 1);  // 240 bpm
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 480);
    time.advanceMs(500);                          // + 960
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 1440);
    EXPECT_EQ(MIDIClock_IsRunning(clock.get()), 1);

    EXPECT_EQ(MIDIClock_SetTimeBase(clock.get(), 0, 96), 1);
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 1440);
    time.advanceMs(250);                          // 96 ticks a quarter, 4 quarters a second
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 1440 + 96);

    EXPECT_EQ(MIDIClock_SetTimeBase(clock.get(), 25, 4), 1);  // 100 ticks a second
    time.advanceMs(1000);
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 1440 + 96 + 100);
    EXPECT_EQ(MIDIClock_GetMillisec(clock.get()), 2250);  // milliseconds never jump
}

TEST(ClockCounting, FractionsOfATickSurviveRebases) {
    // 1 tick every 1.5 ms: each 1 ms step leaves a fraction behind, and a
    // tempo "change" to the same tempo must not drop it.
    FakeTime time;
    ClockPtr clock = makeClock(0, 1000, 1500000);
    MIDIClock_Start(clock.get());
    for (int i = 0; i < 3000; ++i) {
        time.advanceMs(1);
        MIDIClock_SetTempo(clock.get(), 1500000);
    }
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 2000);
}

TEST(ClockCounting, SettingOneCounterLeavesTheOtherAlone) {
    FakeTime time;
    ClockPtr clock = makeClock(0, 480, 500000);
    MIDIClock_Start(clock.get());
    time.advanceMs(1000);
    EXPECT_EQ(MIDIClock_SetTickCount(clock.get(), 100), 1);
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 100);
    EXPECT_EQ(MIDIClock_GetMillisec(clock.get()), 1000);
    EXPECT_EQ(MIDIClock_SetMillisec(clock.get(), 40000), 1);
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 100);
    EXPECT_EQ(MIDIClock_GetMillisec(clock.get()), 40000);
    time.advanceMs(500);
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 580);
    EXPECT_EQ(MIDIClock_GetMillisec(clock.get()), 40500);

    // Locating as the player does: stop, reset, set both, start again.
    MIDIClock_Stop(clock.get());
    MIDIClock_Reset(clock.get());
    MIDIClock_SetTickCount(clock.get(), 1920);
    MIDIClock_SetMillisec(clock.get(), 2000);
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 1920);
    EXPECT_EQ(MIDIClock_GetMillisec(clock.get()), 2000);
    MIDIClock_Start(clock.get());
    time.advanceMs(1000);
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 2880);
    EXPECT_EQ(MIDIClock_GetMillisec(clock.get()), 3000);
}

TEST(ClockCounting, TimingMessagesChangeNothingOnOwnTempo) {
    FakeTime time;
    ClockPtr clock = makeClock(0, 480, 500000);
    MIDIClock_Start(clock.get());
    time.advanceMs(100);
    const uint8_t pulse[] = {0xF8};
    const uint8_t quarterFrame[] = {0xF1, 0x75};
    const uint8_t fullFrame[] = {0xF0, 0x7F, 0x7F, 0x01, 0x01, 0x61, 0x02, 0x03, 0x04, 0xF7};
    for (int i = 0; i < 100; ++i) EXPECT_EQ(MIDIClock_PutMIDIMessage(clock.get(), pulse, 1), 0);
    EXPECT_EQ(MIDIClock_PutMIDIMessage(clock.get(), quarterFrame, 2), 0);
    EXPECT_EQ(MIDIClock_PutMIDIMessage(clock.get(), fullFrame, 10), 0);
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 96);
    EXPECT_EQ(MIDIClock_GetMillisec(clock.get()), 100);
}

// Steps of 10 ms plus a varying part, as the workers read the clock, for an
// hour; the loop wraps subtract the loop's length as the pattern player does.
TEST(ClockCounting, AnHourAtAnyTempoIsExactToOneTick) {
    const int32_t tempos[] = {3750000, 500000, 461538, 234375};
    const int32_t resolutions[] = {96, 1000};
    for (int32_t tempo : tempos) {
        for (int32_t resolution : resolutions) {
            FakeTime time;
            ClockPtr clock = makeClock(0, resolution, tempo);
            MIDIClock_Start(clock.get());
            const int32_t loopLength = resolution * 4 + 1;
            int64_t wrapped = 0;
            int64_t elapsed = 0;
            const int64_t hour = int64_t{3600} * 1000000000;
            for (int64_t step = 0; elapsed < hour; ++step) {
                const int64_t delta = 10000000 + (step * 7919) % 1000003;
                time.advanceNs(delta);
                elapsed += delta;
                const int32_t tick = MIDIClock_GetTickCount(clock.get());
                if (tick >= loopLength) {
                    MIDIClock_SetTickCount(clock.get(), tick - loopLength);
                    wrapped += loopLength;
                }
            }
            const int64_t exact = elapsed * resolution / (int64_t{tempo} * 1000);
            const int64_t counted = wrapped + MIDIClock_GetTickCount(clock.get());
            EXPECT_LE(std::llabs(counted - exact), 1) << "tempo " << tempo << ", resolution " << resolution;
            EXPECT_EQ(MIDIClock_GetMillisec(clock.get()), elapsed / 1000000);
        }
    }
}

}  // namespace
