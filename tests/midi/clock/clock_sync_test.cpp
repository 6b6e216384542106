// The clock slaved to received MIDI timing clock (sync mode 1) and MIDI
// time code (sync mode 2), driven by a fake time source.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <tuple>
#include <vector>

#include "midi/clock/midi_clock.h"
#include "midi/clock/time_code.h"
#include "tests/support/fake_time.h"

namespace {

struct ClockDeleter {
    void operator()(MIDIClock* clock) const { MIDIClock_Delete(clock); }
};
using ClockPtr = std::unique_ptr<MIDIClock, ClockDeleter>;

ClockPtr makeSlavedClock(int32_t syncMode, int32_t resolution = 480) {
    ClockPtr clock(MIDIClock_Create(0, resolution, 500000));
    MIDIClock_SetMIDIInSyncMode(clock.get(), syncMode);
    return clock;
}

int32_t putPulse(MIDIClock* clock) {
    const uint8_t pulse = 0xF8;
    return MIDIClock_PutMIDIMessage(clock, &pulse, 1);
}

using Code = TimeCode;

// All eight pieces at once, as a master that sends a whole code per frame.
void putQuarterFrames(MIDIClock* clock, const Code& code) {
    for (uint8_t data : encodeQuarterFrames(code)) {
        const uint8_t message[] = {0xF1, data};
        MIDIClock_PutMIDIMessage(clock, message, 2);
    }
}

int32_t putFullFrame(MIDIClock* clock, const Code& code) {
    const std::array<uint8_t, 10> message = encodeFullFrame(code);
    return MIDIClock_PutMIDIMessage(clock, message.data(), 10);
}

TEST(ClockPulses, TenThousandPulsesGiveTheExactTick) {
    // Irregular gaps, now and then a long one: the interpolated tick never
    // runs more than two pulses past the last, never goes back, and a pulse
    // on time lands on its own tick.
    for (int32_t resolution : {96, 120, 480, 1000, 25}) {
        FakeTime time;
        ClockPtr clock = makeSlavedClock(1, resolution);
        MIDIClock_Start(clock.get());
        int32_t previous = 0;
        for (int64_t pulse = 1; pulse <= 10000; ++pulse) {
            time.advanceMs(pulse % 37 == 0 ? 200 : 15 + pulse % 11);
            const int32_t waiting = MIDIClock_GetTickCount(clock.get());
            const int64_t next = pulse * resolution / 24;
            const int64_t lead = (pulse + 1) * resolution / 24;  // two pulses past the last
            ASSERT_LE(waiting, lead) << "resolution " << resolution;
            ASSERT_GE(waiting, previous);
            ASSERT_EQ(putPulse(clock.get()), 1);
            previous = MIDIClock_GetTickCount(clock.get());
            ASSERT_EQ(previous, std::max<int64_t>(next, waiting));
        }
        time.advanceMs(15);
        putPulse(clock.get());
        EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 10001 * resolution / 24);
    }
}

TEST(ClockPulses, InterpolatesAtTheMeasuredPulseRate) {
    FakeTime time;
    ClockPtr clock = makeSlavedClock(1, 480);  // 20 ticks a pulse
    MIDIClock_Start(clock.get());
    for (int i = 0; i < 24; ++i) {
        time.advanceMs(10);
        putPulse(clock.get());
    }
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 480);
    time.advanceMs(5);  // half way to the next pulse
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 490);
    time.advanceMs(500);  // the master has stopped sending: two pulses on at most
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 520);

    // Stopped, the tick stays where it was shown; after the restart it
    // stands there until the pulses catch up, then follows them again.
    MIDIClock_Stop(clock.get());
    EXPECT_EQ(putPulse(clock.get()), 0);
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 520);
    MIDIClock_Start(clock.get());
    for (int32_t tick : {520, 520, 540, 560}) {
        putPulse(clock.get());
        EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), tick);
    }
}

// A driver that hands pulses over two at a time every 20 ms, each stamped
// with its own arrival: the clock runs on at the stamped rate, 10 ms a pulse.
TEST(ClockPulses, PulsesHandedOverInBatchesKeepTheirOwnTimes) {
    FakeTime time;
    ClockPtr clock = makeSlavedClock(1, 480);  // 20 ticks a pulse
    MIDIClock_Start(clock.get());
    const uint8_t pulse = 0xF8;
    for (int batch = 0; batch < 12; ++batch) {
        time.advanceMs(20);
        MIDIClock_PutMIDIMessageAt(clock.get(), &pulse, 1, time.nowNs() - 10000000);
        MIDIClock_PutMIDIMessageAt(clock.get(), &pulse, 1, time.nowNs());
    }
    // 24 pulses put it on 480; the next is due now, before its batch comes.
    time.advanceMs(10);
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 480 + 20);
}

TEST(ClockPulses, ResetForgetsThePulsesBeforeIt) {
    FakeTime time;
    ClockPtr clock = makeSlavedClock(1, 480);
    MIDIClock_Start(clock.get());
    for (int i = 0; i < 24; ++i) {
        time.advanceMs(10);
        putPulse(clock.get());
    }
    time.advanceMs(5);
    // As Start does it on a playing pattern: the clock already runs, so
    // Start changes nothing and the tick waits before 0 for a new pulse,
    // which reads 0.
    MIDIClock_Reset(clock.get());
    MIDIClock_Start(clock.get());
    time.advanceMs(50);
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), -1);
    putPulse(clock.get());
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 0);
}

TEST(ClockPulses, LoopWrapsAndTheMillisecondCounterWhileFollowingPulses) {
    FakeTime time;
    ClockPtr clock = makeSlavedClock(1, 120);  // 5 ticks a pulse
    MIDIClock_Start(clock.get());
    for (int i = 0; i < 48; ++i) {
        time.advanceMs(20);
        putPulse(clock.get());
    }
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 240);
    // The milliseconds follow the time source while the clock runs.
    EXPECT_EQ(MIDIClock_GetMillisec(clock.get()), 960);
    MIDIClock_SetTickCount(clock.get(), 240 - 200);
    for (int i = 0; i < 24; ++i) {
        time.advanceMs(20);
        putPulse(clock.get());
    }
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 40 + 120);
    // Tempo is the master's business: a tempo change does not move the tick.
    MIDIClock_SetTempo(clock.get(), 250000);
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 160);
}

TEST(ClockPulses, SwitchingModesKeepsTheTick) {
    FakeTime time;
    ClockPtr clock = makeSlavedClock(0, 480);
    MIDIClock_Start(clock.get());
    time.advanceMs(500);
    EXPECT_EQ(MIDIClock_SetMIDIInSyncMode(clock.get(), 1), 1);
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 480);
    time.advanceMs(500);  // no pulses: no ticks
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 480);
    for (int i = 0; i < 12; ++i) putPulse(clock.get());
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 720);
    EXPECT_EQ(MIDIClock_SetMIDIInSyncMode(clock.get(), 0), 1);
    time.advanceMs(250);
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 960);
    EXPECT_EQ(putPulse(clock.get()), 0);
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 960);
}

TEST(ClockTimeCode, DecodesEveryRateFromQuarterAndFullFrames) {
    struct Case {
        Code code;
        int32_t millisec;
    };
    const Case cases[] = {
        {{1, 2, 3, 12, 0}, 3723500},   // 24 fps, frame 12 is half a second
        {{0, 0, 59, 24, 1}, 59960},    // 25 fps, last frame of a second
        {{1, 2, 3, 15, 3}, 3723500},   // 30 fps
        {{23, 59, 59, 29, 3}, 86399966},
        {{17, 0, 0, 0, 3}, 61200000},  // hours above 15 use the fifth bit
        // 29.97 drop-frame: minute 1 begins at frame number 2 (frame 1800),
        // ten minutes hold 17982 frames, an hour 107892; a frame is 1001/30 ms.
        {{0, 1, 0, 2, 2}, 60060},
        {{0, 10, 0, 0, 2}, 599999},
        {{1, 0, 0, 0, 2}, 3599996},
    };
    for (const Case& c : cases) {
        for (bool quarterFrames : {true, false}) {
            FakeTime time;
            ClockPtr clock = makeSlavedClock(2, 480);  // 960 ticks a second
            MIDIClock_Start(clock.get());
            if (quarterFrames) {
                putQuarterFrames(clock.get(), c.code);
            } else {
                EXPECT_EQ(putFullFrame(clock.get(), c.code), 1);
            }
            EXPECT_EQ(MIDIClock_GetMillisec(clock.get()), c.millisec)
                << "rate " << c.code.rateCode << (quarterFrames ? ", quarter frames" : ", full frame");
            EXPECT_NEAR(MIDIClock_GetTickCount(clock.get()), c.millisec * 960.0 / 1000, 1);
        }
    }
}

// What the player sends comes back as the same code by either road: every
// rate, the last frame of a day, drop-frame minute boundaries, hours that
// need the fifth bit.
TEST(ClockTimeCode, EncodedCodesDecodeToThemselves) {
    const TimeCode codes[] = {
        {0, 0, 0, 0, kRate24},      {23, 59, 59, 23, kRate24}, {12, 34, 56, 24, kRate25},
        {23, 59, 59, 24, kRate25},  {0, 1, 0, 2, kRate2997},   {0, 9, 59, 29, kRate2997},
        {0, 10, 0, 0, kRate2997},   {23, 59, 59, 29, kRate2997}, {16, 0, 0, 0, kRate30},
        {23, 59, 59, 29, kRate30},  {31, 59, 59, 29, kRate30},
    };
    auto fields = [](const TimeCode& c) { return std::tuple(c.hours, c.minutes, c.seconds, c.frames, c.rateCode); };
    for (const TimeCode& code : codes) {
        QuarterFrameAssembler assembler;
        TimeCode fromQuarterFrames{};
        int64_t pieceZeroTime = 0;
        bool complete = false;
        for (uint8_t data : encodeQuarterFrames(code))
            complete = assembler.put(data, 0, &fromQuarterFrames, &pieceZeroTime);
        TimeCode fromFullFrame{};
        const std::array<uint8_t, 10> fullFrame = encodeFullFrame(code);
        ASSERT_TRUE(complete && decodeFullFrame(fullFrame.data(), 10, &fromFullFrame));
        EXPECT_EQ(fields(fromQuarterFrames), fields(code));
        EXPECT_EQ(fields(fromFullFrame), fields(code));
    }
}

TEST(ClockTimeCode, RunsOnBetweenCodesButNotForever) {
    FakeTime time;
    ClockPtr clock = makeSlavedClock(2, 480);
    MIDIClock_Start(clock.get());
    time.advanceMs(300);
    EXPECT_EQ(MIDIClock_GetMillisec(clock.get()), 0);  // waits for the first code
    putQuarterFrames(clock.get(), {0, 0, 10, 0, 3});
    time.advanceMs(20);
    EXPECT_EQ(MIDIClock_GetMillisec(clock.get()), 10020);
    time.advanceMs(5000);  // the code stopped: four frames of run-on at most
    EXPECT_EQ(MIDIClock_GetMillisec(clock.get()), 10133);

    // A code spread over two frames refers to the time of its first piece.
    const std::array<uint8_t, 8> pieces = encodeQuarterFrames({0, 0, 20, 0, 1});
    for (uint8_t data : pieces) {
        const uint8_t message[] = {0xF1, data};
        MIDIClock_PutMIDIMessage(clock.get(), message, 2);
        time.advanceMs(10);  // a quarter of a 25 fps frame
    }
    EXPECT_EQ(MIDIClock_GetMillisec(clock.get()), 20080);
}

TEST(ClockTimeCode, FollowsOnlyWhileRunningAndInItsMode) {
    FakeTime time;
    ClockPtr clock = makeSlavedClock(2, 480);
    EXPECT_EQ(putFullFrame(clock.get(), {0, 0, 5, 0, 3}), 0);  // stopped
    putQuarterFrames(clock.get(), {0, 0, 5, 0, 3});
    EXPECT_EQ(MIDIClock_GetMillisec(clock.get()), 0);
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 0);

    // Started, it stands before its start position until a code comes.
    MIDIClock_Start(clock.get());
    for (int i = 0; i < 100; ++i) EXPECT_EQ(putPulse(clock.get()), 0);
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), -1);
    EXPECT_EQ(MIDIClock_IsWaitingForMaster(clock.get()), 1);

    // Out-of-range or malformed codes are ignored.
    EXPECT_EQ(putFullFrame(clock.get(), {0, 60, 0, 0, 3}), 0);
    EXPECT_EQ(putFullFrame(clock.get(), {0, 0, 0, 25, 1}), 0);
    const uint8_t shortFullFrame[] = {0xF0, 0x7F, 0x7F, 0x01, 0x01, 0x00, 0x00, 0x05, 0xF7};
    EXPECT_EQ(MIDIClock_PutMIDIMessage(clock.get(), shortFullFrame, 9), 0);
    const uint8_t lonePiece[] = {0xF1, 0x75};
    EXPECT_EQ(MIDIClock_PutMIDIMessage(clock.get(), lonePiece, 2), 0);
    EXPECT_EQ(MIDIClock_GetMillisec(clock.get()), 0);

    // A piece out of order spoils the code it belongs to.
    std::array<uint8_t, 8> pieces = encodeQuarterFrames({0, 0, 5, 0, 3});
    std::swap(pieces[3], pieces[4]);
    for (uint8_t data : pieces) {
        const uint8_t message[] = {0xF1, data};
        EXPECT_EQ(MIDIClock_PutMIDIMessage(clock.get(), message, 2), 0);
    }
    EXPECT_EQ(MIDIClock_GetMillisec(clock.get()), 0);

    // The first code places it; after Stop and Continue it waits again.
    EXPECT_EQ(putFullFrame(clock.get(), {0, 0, 5, 0, 3}), 1);
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 5 * 960);
    MIDIClock_Stop(clock.get());
    MIDIClock_Start(clock.get());
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 5 * 960 - 1);
    EXPECT_EQ(MIDIClock_IsWaitingForMaster(clock.get()), 1);
}

TEST(ClockTimeCode, TheTickFollowsTheCodeAndKeepsLoopWraps) {
    FakeTime time;
    ClockPtr clock = makeSlavedClock(2, 480);
    MIDIClock_Start(clock.get());
    putFullFrame(clock.get(), {0, 0, 1, 0, 3});
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 960);
    MIDIClock_SetTickCount(clock.get(), 960 - 900);  // the pattern wrapped
    putFullFrame(clock.get(), {0, 0, 2, 0, 3});
    EXPECT_EQ(MIDIClock_GetTickCount(clock.get()), 60 + 960);
    EXPECT_EQ(MIDIClock_GetMillisec(clock.get()), 2000);

    // A code slightly behind the running position holds it still instead
    // of stepping back; a real jump back is followed.
    putQuarterFrames(clock.get(), {0, 0, 2, 0, 3});
    time.advanceMs(30);
    putFullFrame(clock.get(), {0, 0, 2, 0, 3});
    EXPECT_EQ(MIDIClock_GetMillisec(clock.get()), 2030);
    putFullFrame(clock.get(), {0, 0, 1, 0, 3});
    EXPECT_EQ(MIDIClock_GetMillisec(clock.get()), 1000);
}

// A master that locates over and over (full frames at random times, 50 ms
// apart, no quarter frames) must move the clock only by those jumps: it
// stands between them and after the last, and each far one is counted.
TEST(ClockTimeCode, AStreamOfFullFramesOnlyJumps) {
    FakeTime time;
    ClockPtr clock = makeSlavedClock(2, 480);
    MIDIClock_Start(clock.get());
    uint32_t seed = 12345;
    auto next = [&seed](int32_t range) {
        seed = seed * 1103515245 + 12345;
        return static_cast<int32_t>((seed >> 8) % static_cast<uint32_t>(range));
    };
    std::vector<int32_t> expected;
    std::vector<int32_t> seen;
    int32_t jumps = 0;
    int32_t previous = 0;
    for (int i = 0; i < 40; ++i) {
        const Code code{next(24), next(60), next(60), next(24), 0};
        const int32_t millisec = ((code.hours * 60 + code.minutes) * 60 + code.seconds) * 1000 +
                                 code.frames * 1000 / 24;
        jumps += std::abs(millisec - previous) > 1000 / 24;
        previous = millisec;
        ASSERT_EQ(putFullFrame(clock.get(), code), 1);
        time.advanceMs(49);
        expected.push_back(millisec);
        seen.push_back(MIDIClock_GetMillisec(clock.get()));
    }
    time.advanceMs(3000);
    expected.push_back(previous);
    seen.push_back(MIDIClock_GetMillisec(clock.get()));
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(MIDIClock_GetLocateCount(clock.get()), jumps);
}

// A full frame keeps whatever run-on the quarter frames granted, and the
// pieces of a code cut short by it are not put together with later ones.
TEST(ClockTimeCode, AFullFrameAmongQuarterFramesKeepsTheirRunOn) {
    FakeTime time;
    ClockPtr clock = makeSlavedClock(2, 480);
    MIDIClock_Start(clock.get());
    putQuarterFrames(clock.get(), {0, 0, 10, 0, 1});  // 25 fps: 160 ms run-on
    time.advanceMs(40);
    const std::array<uint8_t, 8> pieces = encodeQuarterFrames({0, 0, 30, 0, 1});
    for (size_t i = 0; i < 4; ++i) {
        const uint8_t message[] = {0xF1, pieces[i]};
        MIDIClock_PutMIDIMessage(clock.get(), message, 2);
    }
    putFullFrame(clock.get(), {0, 0, 20, 0, 1});
    for (size_t i = 4; i < 8; ++i) {
        const uint8_t message[] = {0xF1, pieces[i]};
        EXPECT_EQ(MIDIClock_PutMIDIMessage(clock.get(), message, 2), 0);
    }
    time.advanceMs(1000);
    EXPECT_EQ(MIDIClock_GetMillisec(clock.get()), 20120);
}

TEST(ClockTimeCode, CountsJumpsButNotTheCodeRunningOn) {
    // 25 fps: a frame is 40 ms; a master sends a whole code every two frames.
    struct Step {
        int32_t afterMs;
        bool fullFrame;
        int32_t seconds, frames;
    };
    struct Case {
        const char* what;
        std::vector<Step> steps;
        int32_t locates;
    };
    const Case cases[] = {
        {"running code from the start", {{0, false, 0, 0}, {80, false, 0, 2}, {80, false, 0, 4}}, 0},
        {"first code far from the start", {{0, false, 5, 0}, {80, false, 5, 2}}, 1},
        {"the code skips ahead", {{0, false, 0, 0}, {80, false, 0, 2}, {80, false, 9, 0}}, 1},
        {"code a frame and a half behind", {{0, false, 0, 0}, {100, false, 0, 1}}, 0},
        {"code resumes after a pause", {{0, false, 0, 0}, {2000, false, 2, 0}}, 1},
        {"full frame where the clock stands", {{0, true, 3, 0}, {500, true, 3, 0}}, 1},
        {"full frame within a frame", {{0, false, 0, 0}, {20, true, 0, 1}}, 0},
        {"full frames back and forth", {{0, true, 3, 0}, {50, true, 1, 0}, {50, true, 3, 0}}, 3},
    };
    for (const Case& c : cases) {
        FakeTime time;
        ClockPtr clock = makeSlavedClock(2, 480);
        MIDIClock_Start(clock.get());
        for (const Step& step : c.steps) {
            time.advanceMs(step.afterMs);
            const Code code{0, 0, step.seconds, step.frames, 1};
            if (step.fullFrame)
                putFullFrame(clock.get(), code);
            else
                putQuarterFrames(clock.get(), code);
        }
        EXPECT_EQ(MIDIClock_GetLocateCount(clock.get()), c.locates) << c.what;
    }
    EXPECT_EQ(MIDIClock_GetLocateCount(nullptr), 0);
}

}  // namespace
