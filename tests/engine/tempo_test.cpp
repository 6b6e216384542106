#include "engine/tempo.h"

#include <gtest/gtest.h>

#include "tests/support/player_fixture.h"

namespace {

class TempoTest : public PlayerFixture {};

TEST(TempoConversion, EveryBpmSurvivesTheRoundTrip) {
    for (int32_t bpm = kMinimumBpm; bpm <= kMaximumBpm; ++bpm)
        EXPECT_EQ(bpmFromTempo(tempoFromBpm(bpm)), bpm);
    EXPECT_EQ(tempoFromBpm(16), 3750000);
    EXPECT_EQ(tempoFromBpm(256), 234375);
    EXPECT_EQ(bpmFromTempo(500000), 120);
}

TEST(TempoConversion, ClockSyncModeTable) {
    struct Case {
        int32_t tempoMode, inSyncMode, expected;
    };
    for (Case c : {Case{0, 0, 0}, Case{0, 1, 0}, Case{0, 2, 0}, Case{1, 0, 0}, Case{1, 1, 1},
                   Case{1, 2, 2}, Case{1, 7, 2}, Case{-3, 1, 1}}) {
        EXPECT_EQ(clockSyncMode(c.tempoMode, c.inSyncMode), c.expected)
            << c.tempoMode << ", " << c.inSyncMode;
    }
}

TEST_F(TempoTest, StartUpShowsTheStoredTempoAndMode) {
    struct Case {
        int32_t tempo, tempoMode, inSyncMode;
        int32_t bpm, clockTempo, clockSync;
        bool ownTempo;
    };
    for (const Case& c : {Case{500000, 0, 1, 120, 500000, 0, true},
                          Case{1000000, 0, 1, 60, 1000000, 0, true},
                          Case{1000000, 1, 1, 60, 1000000, 1, false},
                          Case{500000, 1, 2, 120, 500000, 2, false},
                          Case{500000, 1, 0, 120, 500000, 0, false},
                          // A stored tempo of 0 or less runs at 120 bpm.
                          Case{0, 0, 1, 120, 500000, 0, true},
                          Case{-5, 0, 1, 120, 500000, 0, true}}) {
        SCOPED_TRACE(c.tempo);
        releasePlayerObjects();
        playerState.settings.tempo = c.tempo;
        playerState.settings.tempoMode = c.tempoMode;
        playerState.settings.midiInSyncMode = c.inSyncMode;
        createClocksNow();

        const TempoView view = tempoView();
        EXPECT_EQ(view.bpm, c.bpm);
        EXPECT_EQ(view.ownTempo, c.ownTempo);
        for (MIDIClock* clock : {playerState.handles.patternClock, playerState.handles.patchClock}) {
            EXPECT_EQ(MIDIClock_GetTempo(clock), c.clockTempo);
            EXPECT_EQ(MIDIClock_GetMIDIInSyncMode(clock), c.clockSync);
        }
        EXPECT_TRUE(ui.warnings().empty());
    }
}

TEST_F(TempoTest, SettingTheBpmClampsAndRetunesBothClocks) {
    createClocksNow();
    MIDIClock_Start(playerState.handles.patternClock);
    struct Case {
        int32_t bpm, set;
    };
    for (Case c : {Case{119, 119}, Case{16, 16}, Case{15, 16}, Case{-3, 16}, Case{256, 256}, Case{300, 256},
                   Case{65535, 256}}) {
        SCOPED_TRACE(c.bpm);
        playerState.settings.tempo = 1;
        EXPECT_EQ(setTempoBpm(c.bpm), c.set);
        EXPECT_EQ(playerState.settings.tempo, 60000000 / c.set);
        EXPECT_EQ(MIDIClock_GetTempo(playerState.handles.patternClock), 60000000 / c.set);
        EXPECT_EQ(MIDIClock_GetTempo(playerState.handles.patchClock), 60000000 / c.set);
    }
    EXPECT_NE(MIDIClock_IsRunning(playerState.handles.patternClock), 0) << "a running clock keeps running";
}

TEST_F(TempoTest, SettingTheBpmWithoutClocksOnlyStoresTheTempo) {
    EXPECT_EQ(setTempoBpm(121), 121);
    EXPECT_EQ(playerState.settings.tempo, 60000000 / 121);
}

TEST_F(TempoTest, FollowingTheInputNeedsAnInputSyncMode) {
    playerState.settings.midiInSyncMode = 0;
    createClocksNow();
    EXPECT_EQ(setTempoMode(kTempoFollowInput), TempoControls::keep);
    EXPECT_EQ(playerState.settings.tempoMode, 1);
    EXPECT_EQ(MIDIClock_GetMIDIInSyncMode(playerState.handles.patternClock), 0);

    struct Case {
        int32_t inSyncMode, mode, tempoMode, clockSync;
        TempoControls controls;
    };
    for (Case c : {Case{1, kTempoFollowInput, 1, 1, TempoControls::locked},
                   Case{2, kTempoFollowInput, 1, 2, TempoControls::locked},
                   Case{2, kTempoOwn, 0, 0, TempoControls::usable},
                   Case{1, kTempoFollowInput, 1, 1, TempoControls::locked},
                   Case{0, kTempoOwn, 0, 0, TempoControls::usable},
                   // Any other mode changes nothing.
                   Case{2, 7, 0, 0, TempoControls::keep}}) {
        SCOPED_TRACE(::testing::Message() << c.inSyncMode << " mode " << c.mode);
        playerState.settings.midiInSyncMode = c.inSyncMode;
        EXPECT_EQ(setTempoMode(c.mode), c.controls);
        EXPECT_EQ(playerState.settings.tempoMode, c.tempoMode);
        EXPECT_EQ(MIDIClock_GetMIDIInSyncMode(playerState.handles.patternClock), c.clockSync);
        EXPECT_EQ(MIDIClock_GetMIDIInSyncMode(playerState.handles.patchClock), c.clockSync);
    }
}

}  // namespace
