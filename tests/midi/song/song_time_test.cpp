#include <gtest/gtest.h>

#include "tests/support/smf_builder.h"
#include "tests/midi/song/song_test_helpers.h"

namespace {

TEST(SongTime, MillisecondsFollowTheTempoMapOfEveryTrack) {
    SmfBuilder file(480, 1);
    file.track().tempo(0, 500000).tempo(1920, 1000000).endOfTrack(1920);
    // A tempo change in another track counts too.
    file.track().noteOn(0, 9, 36, 100).tempo(2880, 250000).endOfTrack(4800);
    SongPtr song = loadSong(file.bytes());
    ASSERT_TRUE(song);
    struct Case {
        int32_t tick;
        int32_t ms;
    } cases[] = {
        {-10, 0},   {0, 0},       {480, 500},   {1920, 2000},
        {2400, 3000}, {2880, 4000}, {3840, 4500}, {4800, 5000},
    };
    for (const Case& c : cases) EXPECT_EQ(MIDIData_TimeToMillisec(song.get(), c.tick), c.ms) << c.tick;
}

TEST(SongTime, WithoutTempoEventsASongPlaysAt120BeatsPerMinute) {
    SmfBuilder file(96, 0);
    file.track().noteOn(0, 9, 36, 100).endOfTrack(384);
    SongPtr song = loadSong(file.bytes());
    ASSERT_TRUE(song);
    EXPECT_EQ(MIDIData_TimeToMillisec(song.get(), 384), 2000);
    EXPECT_EQ(MIDIData_TimeToMillisec(song.get(), 1), 5);  // 5.2 ms, truncated
}

TEST(SongTime, RoundingDoesNotBuildUpAcrossTempoChanges) {
    // 1 tick at 500001 us per quarter, 480 ticks per quarter: 1041.67 us.
    SmfBuilder file(480, 0);
    auto& track = file.track();
    for (int i = 0; i < 960; ++i) track.tempo(i, 500001);
    track.endOfTrack(960);
    SongPtr song = loadSong(file.bytes());
    ASSERT_TRUE(song);
    EXPECT_EQ(MIDIData_TimeToMillisec(song.get(), 960), 1000);  // 1000.002 ms
}

TEST(SongTime, FrameBasedSongsCountFrames) {
    struct Case {
        uint16_t division;
        int32_t tick;
        int32_t ms;
    } cases[] = {
        {0xE850, 80 * 24, 1000},       // 24 fps, 80 ticks per frame
        {0xE728, 40 * 25 * 60, 60000}, // 25 fps
        {0xE204, 4 * 30, 1000},        // 30 fps
        {0xE364, 100 * 30, 1001},      // 29.97 fps: 30 frames last 1.001 s
        {0xE364, 100 * 30000, 1001000},
    };
    for (const Case& c : cases) {
        SmfBuilder file(c.division, 0);
        file.track().tempo(0, 250000).endOfTrack(c.tick);  // tempo plays no part
        SongPtr song = loadSong(file.bytes());
        ASSERT_TRUE(song);
        EXPECT_EQ(MIDIData_TimeToMillisec(song.get(), c.tick), c.ms) << std::hex << c.division;
    }
}

TEST(SongTime, LongSongsDoNotOverflow) {
    SmfBuilder file(1, 0);
    file.track().tempo(0, 0xFFFFFF).endOfTrack(3600);
    SongPtr song = loadSong(file.bytes());
    ASSERT_TRUE(song);
    EXPECT_EQ(MIDIData_TimeToMillisec(song.get(), 3600), 60397974);  // 3600 * 16777215 / 1000
    EXPECT_EQ(MIDIData_TimeToMillisec(song.get(), 0x7FFFFFFF), 0x7FFFFFFF);  // clamped
}

struct Position {
    int32_t measure, beat, tick;
    bool operator==(const Position&) const = default;
};

Position breakTime(const MIDIData* song, int32_t tick) {
    Position p{-1, -1, -1};
    EXPECT_EQ(MIDIData_BreakTime(song, tick, &p.measure, &p.beat, &p.tick), 1);
    return p;
}

TEST(SongTime, BreakTimeFollowsTimeSignatures) {
    SmfBuilder file(480, 1);
    file.track()
        .timeSignature(1920, 3, 2)   // 3/4 from the second measure
        .timeSignature(4800, 6, 3)   // 6/8 from the fourth
        .timeSignature(6960, 2, 2)   // halfway through the fifth: starts the sixth
        .endOfTrack(6960);
    SongPtr song = loadSong(file.bytes());
    ASSERT_TRUE(song);
    struct Case {
        int32_t tick;
        Position expected;
    } cases[] = {
        {0, {0, 0, 0}},      {479, {0, 0, 479}}, {1919, {0, 3, 479}}, {1920, {1, 0, 0}},
        {4799, {2, 2, 479}}, {4800, {3, 0, 0}},  {5040, {3, 1, 0}},   {6959, {4, 2, 239}},
        {6960, {5, 0, 0}},   {9840, {8, 0, 0}},  {-1, {0, 0, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(breakTime(song.get(), c.tick), c.expected) << c.tick;
}

TEST(SongTime, BreakTimeDefaultsToFourFourAndAcceptsNullOutputs) {
    SmfBuilder file(96, 0);
    file.track().endOfTrack(96 * 4 * 3 + 96 + 5);
    SongPtr song = loadSong(file.bytes());
    ASSERT_TRUE(song);
    EXPECT_EQ(breakTime(song.get(), MIDIData_GetEndTime(song.get())), (Position{3, 1, 5}));
    EXPECT_EQ(MIDIData_BreakTime(song.get(), 100, nullptr, nullptr, nullptr), 1);
}

TEST(SongTime, BreakTimeOfAFrameBasedSongGivesSecondsFramesAndTicks) {
    SmfBuilder file(0xE728, 0);  // 25 fps, 40 ticks per frame
    file.track().endOfTrack(40 * 25 * 2 + 40 * 3 + 7);
    SongPtr song = loadSong(file.bytes());
    ASSERT_TRUE(song);
    EXPECT_EQ(breakTime(song.get(), MIDIData_GetEndTime(song.get())), (Position{2, 3, 7}));
}

}  // namespace
