// Timing clock pulses, time code and the transport bytes, byte for byte.
#include "engine/pattern_player.h"
#include "engine/sync_output.h"
#include "tests/support/player_fixture.h"

namespace {

using SyncOutputTest = PlayerFixture;

std::vector<Bytes> pulses(size_t count) {
    return std::vector<Bytes>(count, Bytes{0xF8});
}

std::vector<Bytes> operator+(std::vector<Bytes> a, const std::vector<Bytes>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<Bytes> quarterFrames(std::initializer_list<uint8_t> pieces) {
    std::vector<Bytes> messages;
    for (uint8_t piece : pieces)
        messages.push_back({0xF1, piece});
    return messages;
}

// Pulse k stands on the first tick at or after k / 24 of a quarter note:
// pulse 0 on tick 0, the start position a follower counts from.
TEST_F(SyncOutputTest, ClockPulsesAreThoseWhoseTicksTheWindowHolds) {
    std::lock_guard guard(playerState.lock);
    struct Case {
        int32_t from, through, timeMode, resolution;
        size_t pulses;
    };
    const Case cases[] = {
        {0, 0, 0, 480, 1},       // the start position's own pulse
        {0, 100, 0, 480, 6},     // ticks 0, 20, ... 100
        {101, 130, 0, 480, 1},   // 120
        {131, 139, 0, 480, 0},   // between pulses
        {0, 95, 0, 96, 24},      // one beat
        {1, 19, 0, 480, 0},
        {200, 100, 0, 480, 0},   // nothing when the window is empty
        {0, 99, 0, 100, 24},     // 100 ticks a beat: pulses on 0, 5, 9, 13, ... 96
        {96, 100, 0, 100, 2},    // 96 (pulse 23) and 100 (the next beat's first)
        {0, 11, 0, 12, 23},      // two pulses a tick; the 24th, at 11.5, waits for 12
        {0, 960, 25, 40, 0},     // a frame-based time base has no quarter notes
        {0, 960, 0, 0, 0},       // nor has a resolution of 0
        // Far into a long run the products pass 32 bits; the count does not care.
        {1999999041, 2000000000, 0, 960, 24},
    };
    playerState.settings.midiOutSyncMode = 1;
    for (const Case& c : cases) {
        clearSent();
        sendSyncOutput(0, c.from, c.through, c.timeMode, c.resolution);
        EXPECT_EQ(sent(), pulses(c.pulses)) << "from " << c.from << " through " << c.through
                                            << " at " << c.resolution;
    }
}

TEST_F(SyncOutputTest, TimeCodeAtEveryRate) {
    std::lock_guard guard(playerState.lock);
    struct Case {
        int32_t mode, millisec;
        std::vector<Bytes> expected;
    };
    const Case cases[] = {
        // 1 h 2 min 3.5 s
        {5, 3723500, quarterFrames({0x0F, 0x10, 0x23, 0x30, 0x42, 0x50, 0x61, 0x76})},
        {4, 3723500, quarterFrames({0x0E, 0x10, 0x23, 0x30, 0x42, 0x50, 0x61, 0x74})},
        {3, 3723500, quarterFrames({0x0C, 0x10, 0x23, 0x30, 0x42, 0x50, 0x61, 0x72})},
        {2, 3723500, quarterFrames({0x0C, 0x10, 0x23, 0x30, 0x42, 0x50, 0x61, 0x70})},
        {4, 999, quarterFrames({0x0D, 0x11, 0x20, 0x30, 0x40, 0x50, 0x60, 0x74})},
        {3, 59999, quarterFrames({0x08, 0x11, 0x2B, 0x33, 0x40, 0x50, 0x60, 0x72})},
        // Hours are never wrapped at 24; hour 17 sets bit 0 of piece 7.
        {5, 17 * 3600000 + 61000, quarterFrames({0x00, 0x10, 0x21, 0x30, 0x41, 0x50, 0x61, 0x77})},
    };
    for (const Case& c : cases) {
        // Memory that differs from every case, so each sends.
        playerState.transport.lastMtcSecond = -1;
        playerState.settings.midiOutSyncMode = c.mode;
        clearSent();
        sendSyncOutput(c.millisec, 0, 0, 0, 480);
        EXPECT_EQ(sent(), c.expected) << "mode " << c.mode << " at " << c.millisec << " ms";
    }
}

TEST_F(SyncOutputTest, TimeCodeGoesOutOnlyWhenTheFrameChanges) {
    std::lock_guard guard(playerState.lock);
    playerState.settings.midiOutSyncMode = 5;  // 30 frames per second: 33 1/3 ms a frame

    sendSyncOutput(0, 0, 0, 0, 480);  // the memory starts at frame 0, 0:00
    EXPECT_TRUE(sent().empty());

    sendSyncOutput(40, 0, 0, 0, 480);   // frame 1
    sendSyncOutput(50, 0, 0, 0, 480);   // still frame 1
    sendSyncOutput(66, 0, 0, 0, 480);   // still frame 1
    EXPECT_EQ(sent().size(), 8u);
    sendSyncOutput(67, 0, 0, 0, 480);   // frame 2
    EXPECT_EQ(sent().size(), 16u);

    // The memory holds every rate, so a switch of rate compares against what
    // the previous pass computed for the new rate.
    playerState.settings.midiOutSyncMode = 2;
    sendSyncOutput(50, 0, 0, 0, 480);    // 24 fps frame 1
    playerState.settings.midiOutSyncMode = 5;
    sendSyncOutput(100, 0, 0, 0, 480);   // 30 fps frame 3; 24 fps frame 2
    clearSent();
    playerState.settings.midiOutSyncMode = 2;
    sendSyncOutput(110, 0, 0, 0, 480);   // 24 fps frame 2 again
    EXPECT_TRUE(sent().empty());
}

TEST_F(SyncOutputTest, NoRunningTimingInModesZeroAndAboveFive) {
    std::lock_guard guard(playerState.lock);
    for (int32_t mode : {0, 6, 99, -1}) {
        playerState.settings.midiOutSyncMode = mode;
        sendSyncOutput(3723500, 960, 0, 0, 96);
        EXPECT_TRUE(sent().empty()) << "mode " << mode;
    }
    EXPECT_EQ(playerState.transport.lastMtcSecond, 0);  // the time-code memory is left alone
}

TEST_F(SyncOutputTest, TransportBytesFollowTheOutputSyncMode) {
    std::lock_guard guard(playerState.lock);
    struct Case {
        int32_t mode;
        bool sent;
    };
    const Case cases[] = {{0, false}, {1, true}, {2, true}, {5, true}, {6, true}, {-3, true}};
    for (const Case& c : cases) {
        playerState.settings.midiOutSyncMode = c.mode;
        clearSent();
        sendTransportByte(kMidiStart);
        sendTransportByte(kMidiContinue);
        sendTransportByte(kMidiStop);
        const std::vector<Bytes> expected = c.sent
            ? std::vector<Bytes>{{0xFA}, {0xFB}, {0xFC}}
            : std::vector<Bytes>{};
        EXPECT_EQ(sent(), expected) << "mode " << c.mode;
    }

    MIDIOut_Close(playerState.handles.midiOut);
    playerState.handles.midiOut = nullptr;
    sendTransportByte(kMidiStart);  // no port: nothing to do, and no crash
}

// After a jump a clock follower downstream stands where it stood plus what
// the music moved, whatever our place in the loop: Stop, the sixteenth,
// Continue, then the pulses of that sixteenth it must have counted by now.
TEST_F(SyncOutputTest, AClockFollowerMovesAsFarAsTheMusic) {
    std::lock_guard guard(playerState.lock);
    struct Row {
        const char* what;
        int64_t standsAt;  // pulses from its song's start
        int64_t from, to;  // ticks at 96 per quarter: 4 a pulse
        std::vector<Bytes> sent;
    };
    const Bytes stop{0xFC}, resume{0xFB};
    const Row rows[] = {
        {"bar 37 and a bar on", 36 * 96, 100, 100 + 384, {stop, {0xF2, 0x50, 0x04}, resume}},
        {"between sixteenths", 36 * 96, 100, 100 + 8, std::vector<Bytes>{stop, {0xF2, 0x40, 0x04}, resume} + pulses(2)},
        {"back before the song's start", 30, 500, 0, {stop, {0xF2, 0, 0}, resume}},
        {"past the last song position", 0, 0, 96 * 5000, std::vector<Bytes>{stop, {0xF2, 0x7F, 0x7F}, resume} + pulses(5)},
        {"moved less than a pulse", 30, 101, 103, {}},
    };
    playerState.settings.midiOutSyncMode = 1;
    for (const Row& row : rows) {
        playerState.transport.clockFollowerPulse = row.standsAt;
        clearSent();
        followClockJump(row.from, row.to, 0, 96);
        EXPECT_EQ(sent(), row.sent) << row.what;
    }
}

TEST_F(SyncOutputTest, PassSendsItsTimingBeforeItsNotes) {
    SmfBuilder smf(480);
    smf.track().noteOn(0, 9, 36, 100).endOfTrack(1920);
    usePattern(smf);
    playerState.settings.midiOutSyncMode = 1;

    std::lock_guard guard(playerState.lock);
    MIDIClock_SetTickCount(playerState.handles.patternClock, 40);
    runPatternPass();
    EXPECT_EQ(sent(), (std::vector<Bytes>{{0xF8}, {0xF8}, {0xF8}, {0x99, 36, 100}}));
}

}  // namespace
