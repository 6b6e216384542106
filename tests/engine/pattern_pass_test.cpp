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
        MIDIClock_SetTickCount(playerState.patternClock, tick);
        runPatternPass();
    }

    // Runs one pass at whatever tick the clock holds.
    static void pass() {
        std::lock_guard guard(playerState.lock);
        runPatternPass();
    }

    static int32_t clockTick() { return MIDIClock_GetTickCount(playerState.patternClock); }
};

TEST_F(PatternPassTest, WindowIncludesItsStartAndExcludesTheTick) {
    SmfBuilder smf(480);
    smf.track()
        .noteOn(0, 9, 36, 100)
        .noteOn(100, 9, 38, 90)
        .noteOn(200, 9, 42, 80)
        .endOfTrack(1920);
    usePattern(smf);

    passAt(100);  // [0, 100)
    EXPECT_EQ(sent(), (std::vector<Bytes>{drumNote(36, 100)}));
    EXPECT_EQ(playerState.patternPosition, 100);

    clearSent();
    passAt(200);  // [100, 200)
    EXPECT_EQ(sent(), (std::vector<Bytes>{drumNote(38, 90)}));

    clearSent();
    passAt(200);  // [200, 200) is empty
    EXPECT_TRUE(sent().empty());

    passAt(201);
    EXPECT_EQ(sent(), (std::vector<Bytes>{drumNote(42, 80)}));
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

TEST_F(PatternPassTest, WrapCarriesTheOverrunIntoTheNextCycle) {
    SmfBuilder smf(480);
    smf.track()
        .noteOn(0, 9, 36, 100)
        .noteOn(5, 9, 38, 100)
        .noteOn(1920, 9, 49, 100)  // on the end time
        .endOfTrack(1920);
    usePattern(smf);
    ASSERT_EQ(MIDIData_GetEndTime(playerState.patternData), 1920);
    ASSERT_EQ(MIDIData_GetBeginTime(playerState.patternData), 0);
    passAt(1900);
    clearSent();

    // A tick equal to the end time does not wrap yet; the note on it waits.
    passAt(1920);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(playerState.patternPosition, 1920);
    EXPECT_EQ(clockTick(), 1920);

    // Seven ticks past the end: the end note goes out, then the new cycle's
    // notes inside the overrun, and the clock keeps 7.
    passAt(1927);
    EXPECT_EQ(sent(), (std::vector<Bytes>{drumNote(49, 100), drumNote(36, 100), drumNote(38, 100)}));
    EXPECT_EQ(playerState.patternPosition, 7);
    EXPECT_EQ(clockTick(), 7);

    // The next window starts where the carried one stopped: nothing twice.
    clearSent();
    passAt(20);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(playerState.patternPosition, 20);
}

TEST_F(PatternPassTest, ClockPulsesAcrossAWrapAreNotCountedTwice) {
    SmfBuilder smf(960);
    smf.track().noteOn(0, 9, 36, 100).endOfTrack(3840);
    usePattern(smf);
    playerState.midiOutSyncMode = 1;  // a pulse every 40 ticks
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

// A clock that jumps (a time code from 01:00:00:00 at 120 bpm is tick
// 3 456 000) sends the pulses of the rest of the cycle and of the overrun
// as the wrap reduces it, not the 172 800 of the hour it skipped.
TEST_F(PatternPassTest, AClockJumpSendsThePulsesOfTheReducedOverrunOnly) {
    struct Case {
        int32_t position, tick, pulses;
    };
    const Case cases[] = {
        {0, 3456000, 96},         // whole cycles skipped: overrun 0
        {1900, 3456000 + 100, 6}, // 1900..1920, then 0..100
        {1900, 1920 + 100, 6},    // an ordinary wrap counts the same
    };
    SmfBuilder smf(480);
    smf.track().noteOn(0, 9, 36, 100).endOfTrack(1920);
    usePattern(smf);
    playerState.midiOutSyncMode = 1;  // a pulse every 20 ticks
    for (const Case& c : cases) {
        playerState.patternPosition = c.position;
        clearSent();
        passAt(c.tick);
        int32_t pulses = 0;
        for (const Bytes& message : sent()) pulses += message == Bytes{0xF8};
        EXPECT_EQ(pulses, c.pulses) << "from " << c.position << " to " << c.tick;
    }
}

// A pattern that starts late (first event at tick 960) still sends every
// pulse: at 960 ticks per quarter and 240 bpm, 96 a second for 20 seconds.
TEST_F(PatternPassTest, ALatePatternLosesNoPulseAtTheWrap) {
    FakeTime time;
    SmfBuilder smf(960);
    smf.track().noteOn(960, 9, 36, 100).endOfTrack(3840);
    usePattern(smf);
    MIDIClock_SetTempo(playerState.patternClock, 250000);
    MIDIClock_Start(playerState.patternClock);
    playerState.midiOutSyncMode = 1;
    for (int i = 0; i < 2000; ++i) {
        time.advanceMs(10);
        pass();
    }
    int32_t pulses = 0;
    for (const Bytes& message : sent()) pulses += message == Bytes{0xF8};
    EXPECT_EQ(pulses, 1920);
}

TEST_F(PatternPassTest, OverrunOfMoreThanACycleSkipsTheMissedCycles) {
    SmfBuilder smf(480);
    smf.track().noteOn(0, 9, 36, 100).noteOn(960, 9, 38, 100).endOfTrack(1920);
    usePattern(smf);

    // A clock that jumped an hour ahead (time code from 01:00:00:00 at 120 bpm).
    passAt(3456000 + 100);
    EXPECT_EQ(sent(), (std::vector<Bytes>{drumNote(36, 100), drumNote(38, 100), drumNote(36, 100)}));
    EXPECT_EQ(clockTick(), (3456000 + 100 - 1920) % 1920);

    // The new cycle's start went out with it; the whole pattern does not
    // come again in the next pass.
    EXPECT_EQ(playerState.patternPosition, 100);
    clearSent();
    pass();
    EXPECT_TRUE(sent().empty());
}

TEST_F(PatternPassTest, WrapCarriesTheOverrunBeforeTheBeginTimeOfALatePattern) {
    SmfBuilder smf(480);
    smf.track().noteOn(100, 9, 36, 100).noteOn(400, 9, 38, 100).endOfTrack(480);
    usePattern(smf);
    ASSERT_EQ(MIDIData_GetBeginTime(playerState.patternData), 100);

    passAt(500);  // sends both, wraps with the clock and the window at 20
    EXPECT_EQ(playerState.patternPosition, 20);
    EXPECT_EQ(clockTick(), 20);
    clearSent();

    passAt(60);  // still below the begin time: nothing, and the window restarts there
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(playerState.patternPosition, 60);
    passAt(101);
    EXPECT_EQ(sent(), (std::vector<Bytes>{drumNote(36, 100)}));
}

TEST_F(PatternPassTest, ClockMovedBackGivesAnEmptyWindow) {
    SmfBuilder smf(480);
    smf.track().noteOn(0, 9, 36, 100).noteOn(400, 9, 38, 100).endOfTrack(1920);
    usePattern(smf);
    playerState.patternPosition = 500;

    passAt(300);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(playerState.patternPosition, 300);
    EXPECT_EQ(clockTick(), 300);
}

// A pattern whose events all lie on tick 0 has no length to loop over; it
// plays once instead of sending its notes again in every pass.
TEST_F(PatternPassTest, PatternOfNoLengthPlaysOnce) {
    SmfBuilder smf(480);
    smf.track().noteOn(0, 9, 36, 100).noteOff(0, 9, 36);
    usePattern(smf);
    ASSERT_EQ(MIDIData_GetEndTime(playerState.patternData), 0);

    passAt(10);
    EXPECT_EQ(sent(), (std::vector<Bytes>{drumNote(36, 100), drumNote(36, 0)}));
    EXPECT_EQ(clockTick(), 10);
    EXPECT_EQ(playerState.patternPosition, 10);

    clearSent();
    passAt(20);
    passAt(30);
    EXPECT_TRUE(sent().empty());
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
    playerState.noteCheck[2] = 0;     // snares off: their note-offs stay in too
    playerState.noteLevel[4] = 50;    // hi-hats
    playerState.noteLevel[kMasterDrumGroup] = 50;

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
    MIDIOut_Close(playerState.midiOut);
    playerState.midiOut = nullptr;

    passAt(100);
    EXPECT_EQ(playerState.patternPosition, 100);
    EXPECT_FALSE(mirrorHolds(36));  // nothing sent, nothing mirrored
    passAt(490);
    EXPECT_EQ(playerState.patternPosition, 10);
    EXPECT_EQ(clockTick(), 10);
}

TEST_F(PatternPassTest, IdleWhenStoppedOrWithoutPatternOrClock) {
    SmfBuilder smf(480);
    smf.track().noteOn(0, 9, 36, 100).endOfTrack(480);
    usePattern(smf);
    MIDIClock_SetTickCount(playerState.patternClock, 100);
    playerState.patternPosition = 0;

    playerState.patternPlaying = 0;
    pass();
    MIDIData* pattern = playerState.patternData;
    playerState.patternPlaying = 1;
    playerState.patternData = nullptr;
    pass();
    playerState.patternData = pattern;
    MIDIClock* clock = playerState.patternClock;
    playerState.patternClock = nullptr;
    pass();
    playerState.patternClock = clock;

    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(playerState.patternPosition, 0);
}

}  // namespace
