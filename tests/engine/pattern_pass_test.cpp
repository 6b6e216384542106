// One pattern pass at a time, on a stopped clock whose tick each test sets:
// what goes out, in which order, and where the next window starts.
#include "engine/pattern_player.h"
#include "tests/support/player_fixture.h"
#include "tests/support/fake_time.h"

namespace {

Bytes drumNote(int key, int velocity) {
    return {0x99, static_cast<uint8_t>(key), static_cast<uint8_t>(velocity)};
}

class PatternPassTest : public PlayerFixture {
protected:
    // Runs one pass with the clock at `tick`.
    static void passAt(int32_t tick) {
        std::lock_guard guard(playerState.lock);
        MIDIClock_SetTickCount(playerState.handles.patternClock, tick);
        runPatternPass();
    }

    // Runs one pass at whatever tick the clock holds.
    static void pass() {
        std::lock_guard guard(playerState.lock);
        runPatternPass();
    }

    static int32_t clockTick() { return MIDIClock_GetTickCount(playerState.handles.patternClock); }
};

// Where each note and clock pulse leaves, at tick granularity, at four
// resolutions. Ticks are given in 24ths of a quarter note (one clock pulse)
// plus whole ticks, so one row reads the same at every resolution.
struct At {
    int32_t pulses;
    int32_t ticks = 0;
    int32_t at(int32_t resolution) const { return pulses * resolution / 24 + ticks; }
};

struct Pass {
    At clock;                   // the tick the pass reads
    std::vector<Bytes> sent;    // what it sends, in order
};

enum class Pattern { Bar, Late, NoLength };

// Bar: bass drum on 0 and off on 12, snare on 24 and off on the end time 96
// (one bar). Late: the first note on 12. NoLength: everything on tick 0.
SmfBuilder patternAt(Pattern kind, int32_t resolution) {
    SmfBuilder smf(static_cast<uint16_t>(resolution));
    auto tick = [resolution](int32_t pulses) { return pulses * resolution / 24; };
    SmfTrackBuilder& track = smf.track();
    switch (kind) {
    case Pattern::Bar:
        track.noteOn(0, 9, 36, 100).noteOff(tick(12), 9, 36).noteOn(tick(24), 9, 38, 90)
            .noteOff(tick(96), 9, 38).endOfTrack(tick(96));
        break;
    case Pattern::Late:
        track.noteOn(tick(12), 9, 42, 80).noteOff(tick(96), 9, 42).endOfTrack(tick(96));
        break;
    case Pattern::NoLength:
        track.noteOn(0, 9, 36, 100).noteOff(0, 9, 36);
        break;
    }
    return smf;
}

const Bytes kPulse{0xF8};
const Bytes kKickOn{0x99, 36, 100}, kKickOff{0x99, 36, 0};
const Bytes kSnareOn{0x99, 38, 90}, kSnareOff{0x99, 38, 0};
const Bytes kHatOn{0x99, 42, 80}, kHatOff{0x99, 42, 0};

std::vector<Bytes> pulses(size_t count) { return std::vector<Bytes>(count, kPulse); }

std::vector<Bytes> operator+(std::vector<Bytes> a, const std::vector<Bytes>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(PatternPassTest, EachNoteAndPulseLeavesInThePassThatReadsItsTick) {
    struct Row {
        const char* what;
        Pattern pattern;
        int32_t outSyncMode;
        std::vector<Pass> passes;
    };
    const std::vector<Row> rows = {
        {"a note leaves at its own tick, not a tick later", Pattern::Bar, 0,
         {{{0}, {kKickOn}}, {{0}, {}}, {{12, -1}, {}}, {{12}, {kKickOff}}, {{24}, {kSnareOn}}}},
        {"the end time's note-off, then the new cycle's downbeat, in the pass at the end time",
         Pattern::Bar, 0,
         {{{0}, {kKickOn}}, {{24}, {kKickOff, kSnareOn}}, {{48}, {}}, {{72}, {}}, {{96, -1}, {}},
          {{96}, {kSnareOff, kKickOn}}, {{0}, {}}, {{12}, {kKickOff}}}},
        {"an overrun past the end carries into the new cycle", Pattern::Bar, 0,
         {{{0}, {kKickOn}}, {{24}, {kKickOff, kSnareOn}}, {{48}, {}}, {{72}, {}}, {{84}, {}},
          {{96, 3}, {kSnareOff, kKickOn}}, {{12, -1}, {}}, {{12}, {kKickOff}}}},
        {"a pattern that begins after tick 0", Pattern::Late, 0,
         {{{0}, {}}, {{12}, {kHatOn}}, {{36}, {}}, {{60}, {}}, {{84}, {}}, {{96}, {kHatOff}},
          {{12, -1}, {}}, {{12}, {kHatOn}}}},
        {"a pattern of no length plays once", Pattern::NoLength, 0,
         {{{0}, {kKickOn, kKickOff}}, {{1}, {}}, {{24}, {}}, {{48}, {}}}},
        {"a pattern of no length runs on as far as its clock counts (days at 960 and 300 bpm)",
         Pattern::NoLength, 0,
         {{{0}, {kKickOn, kKickOff}}, {{0, INT32_MAX}, {}}, {{0, INT32_MAX}, {}}, {{48}, {}}}},
        {"a jump moves on without playing what it skipped", Pattern::Bar, 0,
         {{{0}, {kKickOn}}, {{96 + 48 + 12}, {}}, {{72}, {}}, {{96}, {kSnareOff, kKickOn}}}},
        {"a jump back plays on from where it landed", Pattern::Bar, 0,
         {{{0}, {kKickOn}}, {{24}, {kKickOff, kSnareOn}}, {{12}, {kKickOff}}, {{24}, {kSnareOn}}}},
        {"pulses and notes of one tick leave in one pass, pulse 0 with the downbeat",
         Pattern::Bar, 1,
         {{{0}, {kPulse, kKickOn}}, {{12, -1}, pulses(11)}, {{12}, {kPulse, kKickOff}},
          {{36}, pulses(24) + std::vector<Bytes>{kSnareOn}}, {{60}, pulses(24)}, {{84}, pulses(24)},
          {{96}, pulses(11) + std::vector<Bytes>{kSnareOff, kPulse, kKickOn}}}},
        {"a clock follower moves as far as the music did, not to our place in the loop",
         Pattern::Bar, 1,
         {{{0}, {kPulse, kKickOn}},
          {{96 + 48 + 8},  // 151 pulses on from pulse 1: sixteenth 25, pulses 150..152
           {{0xFC}, {0xF2, 25, 0}, {0xFB}, kPulse, kPulse, kPulse}},
          {{57}, {kPulse}}}},
    };
    for (const int32_t resolution : {24, 96, 480, 960}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(testing::Message() << row.what << ", " << resolution << " ticks per quarter");
            usePattern(patternAt(row.pattern, resolution));
            playerState.settings.midiOutSyncMode = row.outSyncMode;
            playerState.transport.clockFollowerPulse = 0;  // as Start leaves it
            for (const Pass& pass : row.passes) {
                clearSent();
                passAt(pass.clock.at(resolution));
                EXPECT_EQ(sent(), pass.sent) << "pass at " << pass.clock.pulses << " pulses "
                                             << pass.clock.ticks << " ticks";
            }
            MIDIClock_Delete(playerState.handles.patternClock);
            MIDIData_Delete(playerState.handles.patternData);
            playerState.handles.patternClock = nullptr;
            playerState.handles.patternData = nullptr;
        }
    }
}

// Another pattern chosen while playing may end before where the last one
// stood: the pattern goes on from where the clock lands in the new loop, not
// with a burst of the loop up to there, and a clock follower downstream
// goes on counting where it is: the music did not move.
TEST_F(PatternPassTest, APatternShorterThanThePositionIsAJump) {
    usePattern(patternAt(Pattern::Bar, 24));  // ends at tick 96
    playerState.settings.midiOutSyncMode = 1;
    playerState.transport.patternPosition = 150;
    passAt(150 + 12);  // lands on tick 66 of the loop, pulse 66
    EXPECT_EQ(sent(), (std::vector<Bytes>{kPulse}));
    EXPECT_EQ(playerState.transport.patternPosition, 67);
}

TEST_F(PatternPassTest, SendsTrackByTrackInStoredOrder) {
    SmfBuilder smf(480);
    smf.track().noteOn(10, 9, 36, 1).noteOn(50, 9, 38, 2).endOfTrack(1920);
    smf.track().noteOn(5, 9, 42, 3).noteOn(20, 9, 46, 4).noteOn(20, 9, 49, 5);
    usePattern(smf);

    passAt(100);
    EXPECT_EQ(sent(), (std::vector<Bytes>{drumNote(36, 1), drumNote(38, 2), drumNote(42, 3),
                                          drumNote(46, 4), drumNote(49, 5)}));
}

TEST_F(PatternPassTest, ClockPulsesAcrossAWrapAreNotCountedTwice) {
    SmfBuilder smf(960);
    smf.track().noteOn(0, 9, 36, 100).endOfTrack(3840);
    usePattern(smf);
    playerState.settings.midiOutSyncMode = 1;  // a pulse every 40 ticks
    passAt(3800);
    clearSent();

    // 50 ticks past the end: the pulses at 3840 and 3880 (= 0 and 40 of the
    // next cycle) go out in the wrapping pass; the next pass, up to tick 100,
    // adds only the pulse at 80.
    passAt(3890);
    passAt(100);
    int pulses = 0;
    for (const Bytes& message : sent()) pulses += message == Bytes{0xF8};
    EXPECT_EQ(pulses, 3);
}

// A pattern that starts late (first event at tick 960) still sends every
// pulse: at 960 ticks per quarter and 240 bpm, pulse 0 at the start and 96 a
// second for 20 seconds, also when every reading of the clock takes time
// (the wrap's own pass among them: no tick may fall between its reading and
// the loop's length coming off the clock).
TEST_F(PatternPassTest, ALatePatternLosesNoPulseAtTheWrap) {
    for (const int64_t readingNs : {0, 150000}) {
        SCOPED_TRACE(testing::Message() << readingNs << " ns a reading");
        FakeTime time;
        SmfBuilder smf(960);
        smf.track().noteOn(960, 9, 36, 100).endOfTrack(3840);
        usePattern(smf);
        MIDIClock_SetTempo(playerState.handles.patternClock, 250000);
        MIDIClock_Start(playerState.handles.patternClock);
        const int64_t startNs = time.nowNs();
        playerState.settings.midiOutSyncMode = 1;
        clearSent();
        time.moveOnEachRead(readingNs);
        for (int i = 0; i < 2000; ++i) {
            time.advanceMs(10);
            pass();
        }
        time.moveOnEachRead(0);
        pass();
        int64_t pulses = 0;
        for (const Bytes& message : sent()) pulses += message == Bytes{0xF8};
        EXPECT_EQ(pulses, (time.nowNs() - startNs) * 96 / 1000000000 + 1);
        MIDIClock_Delete(playerState.handles.patternClock);
        MIDIData_Delete(playerState.handles.patternData);
        playerState.handles.patternClock = nullptr;
        playerState.handles.patternData = nullptr;
    }
}

TEST_F(PatternPassTest, OnlyDrumNotesLeaveThePattern) {
    SmfBuilder smf(480);
    smf.track()
        .tempo(0, 500000)
        .noteOn(0, 0, 38, 100)        // channel 1
        .controller(1, 9, 7, 100)     // controller on the drum channel
        .programChange(2, 9, 5)
        .sysex(3, {0x7E, 0x7F, 0x09, 0x01, 0xF7})
        .meta(4, 0x01, {'h', 'i'})
        .noteOn(5, 9, 38, 100)
        .noteOff(6, 9, 38, 64)        // a note-off leaves as velocity 0
        .noteOn(7, 9, 40, 0)          // so does a note-on with velocity 0
        .noteOff(8, 15, 40, 64)
        .endOfTrack(1920);
    usePattern(smf);

    passAt(100);
    EXPECT_EQ(sent(), (std::vector<Bytes>{drumNote(38, 100), drumNote(38, 0), drumNote(40, 0)}));
}

TEST_F(PatternPassTest, GroupsFilterAndScaleTheNotes) {
    SmfBuilder smf(480);
    smf.track()
        .noteOn(0, 9, 36, 127)
        .noteOn(0, 9, 38, 127)
        .noteOff(1, 9, 38)
        .noteOn(2, 9, 42, 127)
        .endOfTrack(1920);
    usePattern(smf);
    playerState.settings.noteCheck[2] = 0;     // snares off: their note-offs stay in too
    playerState.settings.noteLevel[4] = 50;    // hi-hats
    playerState.settings.noteLevel[kMasterDrumGroup] = 50;

    passAt(10);
    EXPECT_EQ(sent(), (std::vector<Bytes>{drumNote(36, 63), drumNote(42, 31)}));
}

TEST_F(PatternPassTest, MirrorFollowsThePort) {
    SmfBuilder smf(480);
    smf.track().noteOn(0, 9, 36, 100).noteOn(10, 9, 38, 100).noteOff(20, 9, 36).endOfTrack(1920);
    usePattern(smf);

    passAt(15);
    EXPECT_TRUE(mirrorHolds(36));
    EXPECT_TRUE(mirrorHolds(38));
    passAt(30);
    EXPECT_FALSE(mirrorHolds(36));
    EXPECT_TRUE(mirrorHolds(38));
}

TEST_F(PatternPassTest, WithoutAPortThePositionStillAdvancesAndWraps) {
    SmfBuilder smf(480);
    smf.track().noteOn(0, 9, 36, 100).endOfTrack(480);
    usePattern(smf);
    MIDIOut_Close(playerState.handles.midiOut);
    playerState.handles.midiOut = nullptr;

    passAt(100);
    EXPECT_EQ(playerState.transport.patternPosition, 101);  // the first tick not yet played
    EXPECT_FALSE(mirrorHolds(36));  // nothing sent, nothing mirrored
    passAt(490);
    EXPECT_EQ(playerState.transport.patternPosition, 11);
    EXPECT_EQ(clockTick(), 10);
}

TEST_F(PatternPassTest, IdleWhenStoppedOrWithoutPatternOrClock) {
    SmfBuilder smf(480);
    smf.track().noteOn(0, 9, 36, 100).endOfTrack(480);
    usePattern(smf);
    MIDIClock_SetTickCount(playerState.handles.patternClock, 100);
    playerState.transport.patternPosition = 0;

    playerState.transport.patternPlaying = 0;
    pass();
    MIDIData* pattern = playerState.handles.patternData;
    playerState.transport.patternPlaying = 1;
    playerState.handles.patternData = nullptr;
    pass();
    playerState.handles.patternData = pattern;
    MIDIClock* clock = playerState.handles.patternClock;
    playerState.handles.patternClock = nullptr;
    pass();
    playerState.handles.patternClock = clock;

    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(playerState.transport.patternPosition, 0);
}

}  // namespace
