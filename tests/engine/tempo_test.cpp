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

TEST_F(TempoTest, StartUpControlsShowTheStoredTempoAndMode) {
    struct Case {
        int32_t tempo, tempoMode, inSyncMode;
        const wchar_t* text;
        int32_t position, clockTempo, clockSync;
        bool ownTempo;
    };
    for (const Case& c : {Case{500000, 0, 1, L"120", 120, 500000, 0, true},
                          Case{1000000, 0, 1, L"60", 60, 1000000, 0, true},
                          Case{1000000, 1, 1, L"60", 60, 1000000, 1, false},
                          Case{500000, 1, 2, L"120", 120, 500000, 2, false},
                          Case{500000, 1, 0, L"120", 120, 500000, 0, false},
                          // A stored tempo of 0 or less runs at 120 bpm.
                          Case{0, 0, 1, L"120", 120, 500000, 0, true},
                          Case{-5, 0, 1, L"120", 120, 500000, 0, true}}) {
        SCOPED_TRACE(c.tempo);
        releasePlayerObjects();
        playerState.tempo = c.tempo;
        playerState.tempoMode = c.tempoMode;
        playerState.midiInSyncMode = c.inSyncMode;
        createClocksNow();

        RecordingPlayerUi::Control scroll = ui.control(IDC_TEMPO_SCROLL);
        RecordingPlayerUi::Control text = ui.control(IDC_TEMPO_TEXT);
        EXPECT_EQ(scroll.scrollMin, 16);
        EXPECT_EQ(scroll.scrollMax, 256);
        EXPECT_EQ(scroll.scrollPosition, c.position);
        EXPECT_EQ(text.text, c.text);
        EXPECT_EQ(scroll.enabled, c.ownTempo);
        EXPECT_EQ(text.visible, c.ownTempo);
        EXPECT_EQ(ui.control(IDC_TEMPO_INTERNAL_RADIO).checked, c.tempoMode == 0);
        EXPECT_EQ(ui.control(IDC_TEMPO_FOLLOW_RADIO).checked, c.tempoMode != 0);
        for (MIDIClock* clock : {playerState.patternClock, playerState.patchClock}) {
            EXPECT_EQ(MIDIClock_GetTempo(clock), c.clockTempo);
            EXPECT_EQ(MIDIClock_GetMIDIInSyncMode(clock), c.clockSync);
        }
        EXPECT_TRUE(ui.warnings().empty());
    }
}

TEST_F(TempoTest, ScrollingStepsClampsAndRetunesBothClocks) {
    createClocksNow();
    MIDIClock_Start(playerState.patternClock);
    struct Case {
        int32_t from;
        uint32_t code;
        uint16_t thumb;
        int32_t to;
        const wchar_t* text;
    };
    for (const Case& c : {Case{120, 0, 0, 119, L"119"}, Case{120, 1, 0, 121, L"121"},
                          Case{16, 0, 0, 16, L" 16"}, Case{256, 1, 0, 256, L"256"},
                          Case{250, 3, 0, 256, L"256"}, Case{20, 2, 0, 16, L" 16"},
                          Case{100, 2, 0, 90, L" 90"}, Case{120, 4, 60, 60, L" 60"},
                          Case{120, 5, 200, 200, L"200"}, Case{120, 5, 300, 256, L"256"},
                          Case{120, 4, 3, 16, L" 16"},
                          // End of scroll and unknown codes re-apply the position.
                          Case{60, 8, 99, 60, L" 60"}, Case{60, 42, 0, 60, L" 60"}}) {
        SCOPED_TRACE(::testing::Message() << c.from << " code " << c.code);
        ui.setScrollPosition(IDC_TEMPO_SCROLL, c.from);
        playerState.tempo = 1;
        scrollTempo(ui, IDC_TEMPO_SCROLL, c.code, c.thumb);
        EXPECT_EQ(ui.control(IDC_TEMPO_SCROLL).scrollPosition, c.to);
        EXPECT_EQ(ui.control(IDC_TEMPO_TEXT).text, c.text);
        EXPECT_EQ(playerState.tempo, 60000000 / c.to);
        EXPECT_EQ(MIDIClock_GetTempo(playerState.patternClock), 60000000 / c.to);
        EXPECT_EQ(MIDIClock_GetTempo(playerState.patchClock), 60000000 / c.to);
    }
    EXPECT_NE(MIDIClock_IsRunning(playerState.patternClock), 0) << "a running clock keeps running";
}

TEST_F(TempoTest, ScrollingWithoutClocksOnlyStoresTheTempo) {
    ui.setScrollPosition(IDC_TEMPO_SCROLL, 120);
    scrollTempo(ui, IDC_TEMPO_SCROLL, 1, 0);
    EXPECT_EQ(playerState.tempo, 60000000 / 121);
}

TEST_F(TempoTest, FollowingTheInputNeedsAnInputSyncMode) {
    playerState.midiInSyncMode = 0;
    createClocksNow();
    setTempoMode(ui, IDC_TEMPO_FOLLOW_RADIO);
    EXPECT_EQ(playerState.tempoMode, 1);
    EXPECT_EQ(MIDIClock_GetMIDIInSyncMode(playerState.patternClock), 0);
    EXPECT_TRUE(ui.control(IDC_TEMPO_SCROLL).enabled);
    EXPECT_TRUE(ui.control(IDC_TEMPO_TEXT).visible);

    struct Case {
        int32_t inSyncMode, command, tempoMode, clockSync;
        bool ownTempo;
    };
    for (Case c : {Case{1, IDC_TEMPO_FOLLOW_RADIO, 1, 1, false}, Case{2, IDC_TEMPO_FOLLOW_RADIO, 1, 2, false},
                   Case{2, IDC_TEMPO_INTERNAL_RADIO, 0, 0, true}, Case{1, IDC_TEMPO_FOLLOW_RADIO, 1, 1, false},
                   Case{0, IDC_TEMPO_INTERNAL_RADIO, 0, 0, true}}) {
        SCOPED_TRACE(::testing::Message() << c.inSyncMode << " command " << c.command);
        playerState.midiInSyncMode = c.inSyncMode;
        setTempoMode(ui, c.command);
        EXPECT_EQ(playerState.tempoMode, c.tempoMode);
        EXPECT_EQ(MIDIClock_GetMIDIInSyncMode(playerState.patternClock), c.clockSync);
        EXPECT_EQ(MIDIClock_GetMIDIInSyncMode(playerState.patchClock), c.clockSync);
        EXPECT_EQ(ui.control(IDC_TEMPO_SCROLL).enabled, c.ownTempo);
        EXPECT_EQ(ui.control(IDC_TEMPO_TEXT).visible, c.ownTempo);
    }
}

}  // namespace
