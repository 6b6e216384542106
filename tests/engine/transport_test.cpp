#include "engine/transport.h"

#include <gtest/gtest.h>

#include "engine/patch_player.h"
#include "engine/pattern_player.h"
#include "midi/song/midi_data.h"
#include "tests/support/player_fixture.h"

namespace {

const Bytes kStart = {0xFA};
const Bytes kContinue = {0xFB};
const Bytes kStop = {0xFC};

std::vector<Bytes> allNotesOff() {
    std::vector<Bytes> messages;
    for (uint8_t channel = 0; channel < 16; ++channel)
        messages.push_back({static_cast<uint8_t>(0xB0 | channel), 123, 0});
    return messages;
}

std::vector<Bytes> allNotesOffThen(const Bytes& last) {
    std::vector<Bytes> messages = allNotesOff();
    messages.push_back(last);
    return messages;
}

class TransportTest : public PlayerFixture {
protected:
    void loadRockPattern() {
        writeSong("pattern", L"rock.mid", fourOnTheFloor());
        createClocksNow();
        choosePattern(L"rock.mid");
        ASSERT_NE(playerState.handles.patternData, nullptr);
        ui.clear();
    }

    // A song position as the input thread receives it, under the lock.
    static int32_t locate(int32_t songPosition) {
        std::lock_guard guard(playerState.lock);
        return locateSongPosition(songPosition);
    }
};

TEST_F(TransportTest, StartAndContinueWithoutPatternWarnAndChangeNothing) {
    createClocksNow();
    playerState.settings.midiOutSyncMode = 1;
    EXPECT_EQ(startPattern(), Warning::noPatternLoaded);
    EXPECT_EQ(continuePattern(), Warning::noPatternLoaded);
    EXPECT_EQ(playerState.transport.patternPlaying, 0);
    EXPECT_EQ(MIDIClock_IsRunning(playerState.handles.patternClock), 0);
    EXPECT_TRUE(sent().empty());
}

TEST_F(TransportTest, StartStopContinueFollowTheTransportTable) {
    loadRockPattern();
    playerState.settings.midiOutSyncMode = 1;

    playerState.transport.patternPosition = 333;
    startPattern();
    EXPECT_EQ(playerState.transport.patternPlaying, 1);
    EXPECT_EQ(playerState.transport.patternPosition, 1) << "the downbeat left with Start";
    EXPECT_NE(MIDIClock_IsRunning(playerState.handles.patternClock), 0);
    EXPECT_EQ(sent(), (std::vector<Bytes>{kStart, {0xF8}, {0x99, 36, 100}}));

    advanceMs(100);  // 96 ticks at 120 bpm and 480 ticks per quarter note
    clearSent();
    stopPlayback();
    EXPECT_EQ(playerState.transport.patternPlaying, 0);
    EXPECT_EQ(MIDIClock_IsRunning(playerState.handles.patternClock), 0);
    std::vector<Bytes> stopped{{0x99, 36, 0}};  // the downbeat Start played still sounds
    for (const Bytes& message : allNotesOffThen(kStop)) stopped.push_back(message);
    EXPECT_EQ(sent(), stopped);
    advanceMs(500);
    EXPECT_EQ(MIDIClock_GetTickCount(playerState.handles.patternClock), 96) << "Stop keeps the clock's tick";

    clearSent();
    playerState.transport.patternPosition = 90;
    continuePattern();
    EXPECT_EQ(playerState.transport.patternPlaying, 1);
    EXPECT_EQ(playerState.transport.patternPosition, 97) << "Continue plays on from where Stop left off";
    EXPECT_EQ(sent(), std::vector<Bytes>{kContinue});
    advanceMs(100);
    EXPECT_EQ(MIDIClock_GetTickCount(playerState.handles.patternClock), 192);

    clearSent();
    startPattern();  // while playing: from the top again
    EXPECT_EQ(MIDIClock_GetTickCount(playerState.handles.patternClock), 0);
    EXPECT_EQ(playerState.transport.patternPosition, 1);
    EXPECT_EQ(sent(), (std::vector<Bytes>{kStart, {0xF8}, {0x99, 36, 100}}));

    stopPlayback();
    clearSent();
    stopPlayback();  // stopped already: everything is sent again
    EXPECT_EQ(sent(), allNotesOffThen(kStop));
    EXPECT_TRUE(ui.warnings().empty());
}

TEST_F(TransportTest, TransportBytesFollowTheOutputSyncMode) {
    loadRockPattern();
    struct Case {
        int32_t outSyncMode;
        bool bytesSent;
    };
    for (Case c : {Case{0, false}, Case{1, true}, Case{3, true}, Case{5, true}, Case{6, true}}) {
        SCOPED_TRACE(c.outSyncMode);
        playerState.settings.midiOutSyncMode = c.outSyncMode;
        clearSent();
        startPattern();
        continuePattern();
        stopPlayback();
        // The downbeat and its clock pulse or time code that Start plays are not what this is about.
        std::vector<Bytes> transport;
        for (const Bytes& message : sent())
            if (message[0] != 0x99 && message[0] != 0xF8 && message[0] != 0xF1) transport.push_back(message);
        std::vector<Bytes> expected;
        if (c.bytesSent) expected = {kStart, kContinue};
        for (const Bytes& message : allNotesOff()) expected.push_back(message);
        if (c.bytesSent) expected.push_back(kStop);
        EXPECT_EQ(transport, expected);
    }
}

TEST_F(TransportTest, StopSilencesBothMirrorsAndEndsThePatch) {
    loadRockPattern();
    const uint8_t held[3] = {0x90, 60, 100};
    MIDIStatus_PutMIDIMessage(playerState.handles.midiInStatus, held, 3);
    MIDIStatus_PutMIDIMessage(playerState.handles.midiOutStatus, held, 3);
    playerState.transport.patchPlaying = 1;
    MIDIClock_Start(playerState.handles.patchClock);

    stopPlayback();
    EXPECT_EQ(heldNotes(playerState.handles.midiInStatus), 0);
    EXPECT_EQ(heldNotes(playerState.handles.midiOutStatus), 0);
    EXPECT_EQ(playerState.transport.patchPlaying, 0);
    EXPECT_EQ(MIDIClock_IsRunning(playerState.handles.patchClock), 0);
}

// Drum modules that ignore all-notes-off still hear a note-off for each
// drum key the output mirror knows is sounding, before the controllers.
TEST_F(TransportTest, StopEndsTheSoundingDrumKeysFirst) {
    loadRockPattern();
    playerState.settings.midiOutSyncMode = 1;
    holdInMirror(42);
    holdInMirror(36);
    const uint8_t otherChannel[3] = {0x90, 60, 100};
    MIDIStatus_PutMIDIMessage(playerState.handles.midiOutStatus, otherChannel, 3);

    stopPlayback();
    std::vector<Bytes> expected = {{0x99, 36, 0}, {0x99, 42, 0}};
    for (const Bytes& message : allNotesOffThen(kStop)) expected.push_back(message);
    EXPECT_EQ(sent(), expected);
}

TEST_F(TransportTest, StopWithoutOutputPortStillSilencesTheMirrors) {
    loadRockPattern();
    MIDIOut_Close(playerState.handles.midiOut);
    playerState.handles.midiOut = nullptr;
    const uint8_t held[3] = {0x93, 64, 90};
    MIDIStatus_PutMIDIMessage(playerState.handles.midiInStatus, held, 3);
    stopPlayback();
    EXPECT_EQ(heldNotes(playerState.handles.midiInStatus), 0);
}

TEST_F(TransportTest, SelectingAPatternWhilePlayingKeepsTheTransportAndTakesTheNewResolution) {
    loadRockPattern();
    startPattern();
    advanceMs(100);
    playerState.transport.patternPosition = 77;
    writeSong("pattern", L"slow.mid", fourOnTheFloor(96));
    holdInMirror(42);
    clearSent();

    choosePattern(L"slow.mid");
    EXPECT_EQ(sent(), (std::vector<Bytes>{{0x99, 36, 0}, {0x99, 42, 0}})) << "the old pattern's keys end";
    EXPECT_TRUE(ui.warnings().empty());
    EXPECT_EQ(std::wstring(playerState.settings.patternName), L"slow.mid");
    EXPECT_EQ(playerState.transport.patternPlaying, 1);
    EXPECT_EQ(playerState.transport.patternPosition, 77);
    EXPECT_NE(MIDIClock_IsRunning(playerState.handles.patternClock), 0);
    EXPECT_EQ(clockResolution(playerState.handles.patternClock), 96);
    EXPECT_EQ(clockResolution(playerState.handles.patchClock), 120) << "the patch clock keeps its own";
}

TEST_F(TransportTest, APatternThatFailsToLoadLeavesNoPatternButKeepsTheTransport) {
    loadRockPattern();
    startPattern();
    writeFile(appDir() / "pattern" / "broken.mid", Bytes{'M', 'T', 'h', 'd', 0, 0});
    // 26 bytes whose track claims 4096: the file ends after its end of track.
    writeFile(appDir() / "pattern" / "cut.mid", Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 1, 0xE0,
                                                      'M', 'T', 'r', 'k', 0, 0, 0x10, 0, 0, 0xFF, 0x2F, 0});

    for (const wchar_t* name : {L"broken.mid", L"missing.mid", L"cut.mid"}) {
        SCOPED_TRACE(name);
        ui.clear();
        choosePattern(name);
        EXPECT_EQ(std::wstring(playerState.settings.patternName), name) << "kept for the settings file";
        EXPECT_EQ(playerState.handles.patternData, nullptr);
        EXPECT_EQ(playerState.transport.patternPlaying, 1);
        EXPECT_NE(MIDIClock_IsRunning(playerState.handles.patternClock), 0);
        ASSERT_EQ(ui.warnings().size(), 1u);
        EXPECT_EQ(ui.warnings()[0].kind, Warning::fileLoadFailed);
        EXPECT_EQ(ui.warnings()[0].detail, songPath(L"pattern", name));
    }
}

TEST_F(TransportTest, AFrameBasedPatternIsRefusedAndStopsTheTransport) {
    loadRockPattern();
    playerState.settings.midiOutSyncMode = 1;
    startPattern();
    advanceMs(100);
    playerState.transport.patternPosition = 50;
    // Division E7 28: 25 frames per second, 40 ticks per frame.
    SmfBuilder frames(0xE728);
    frames.track().noteOn(0, 9, 36, 100).endOfTrack(100);
    writeSong("pattern", L"frames.mid", frames);
    clearSent();

    choosePattern(L"frames.mid");
    EXPECT_EQ(playerState.handles.patternData, nullptr);
    EXPECT_EQ(playerState.transport.patternPlaying, 0);
    EXPECT_EQ(playerState.transport.patternPosition, 0);
    EXPECT_EQ(MIDIClock_IsRunning(playerState.handles.patternClock), 0);
    EXPECT_EQ(MIDIClock_GetTickCount(playerState.handles.patternClock), 96) << "stopped, not reset";
    EXPECT_EQ(sent(), (std::vector<Bytes>{{0x99, 36, 0}})) << "the downbeat ends; no all-notes-off, no stop byte";
    ASSERT_EQ(ui.warnings().size(), 1u);
    EXPECT_EQ(ui.warnings()[0].kind, Warning::frameTimeBase);
    EXPECT_EQ(ui.warnings()[0].detail, songPath(L"pattern", L"frames.mid"));
}

// The reader or the player refuses it; either way no clock pulse count may
// ever divide by its resolution.
TEST_F(TransportTest, APatternWithoutResolutionIsNeverLoaded) {
    createClocksNow();
    SmfBuilder zero(0);
    zero.track().noteOn(0, 9, 36, 100).endOfTrack(0);
    writeSong("pattern", L"zero.mid", zero);
    choosePattern(L"zero.mid");
    EXPECT_EQ(playerState.handles.patternData, nullptr);
    ASSERT_EQ(ui.warnings().size(), 1u);
    EXPECT_EQ(ui.warnings()[0].detail, songPath(L"pattern", L"zero.mid"));
}

TEST_F(TransportTest, PatternPathIsCutAt255Characters) {
    std::wstring longName(400, L'x');
    wchar_t path[kSongPathSize];
    formatSongPath(path, playerState.shell.appDir, L"pattern", longName.c_str());
    std::wstring expected = songPath(L"pattern", longName).substr(0, 255);
    EXPECT_EQ(std::wstring(path), expected);
}

TEST_F(TransportTest, StoredPatternIsLoadedByItsStoredName) {
    writeSong("pattern", L"rock.mid", fourOnTheFloor());
    std::wcscpy(playerState.settings.patternName, L"rock.mid");
    EXPECT_FALSE(loadStoredPattern());
    EXPECT_NE(playerState.handles.patternData, nullptr);
}

TEST_F(TransportTest, StoredPatternProblems) {
    SmfBuilder frames(0xE728);
    frames.track().noteOn(0, 9, 36, 100);
    writeSong("pattern", L"frames.mid", frames);
    struct Case {
        const wchar_t* stored;
        std::optional<Warning> warning;
    };
    for (Case c : {Case{L"gone.mid", std::nullopt}, Case{L"frames.mid", Warning::frameTimeBase}}) {
        SCOPED_TRACE(c.stored);
        std::wcscpy(playerState.settings.patternName, c.stored);
        const SongLoadResult result = loadStoredPattern();
        EXPECT_EQ(playerState.handles.patternData, nullptr);
        ASSERT_EQ(result.has_value(), c.warning.has_value());
        if (result) {
            EXPECT_EQ(result->kind, *c.warning);
            EXPECT_EQ(result->path, songPath(L"pattern", c.stored));
        }
    }
}

TEST_F(TransportTest, ClocksWithoutPatternRunAt120TicksPerQuarter) {
    createClocksNow();
    for (MIDIClock* clock : {playerState.handles.patternClock, playerState.handles.patchClock}) {
        ASSERT_NE(clock, nullptr);
        EXPECT_EQ(clockResolution(clock), 120);
        EXPECT_EQ(MIDIClock_GetTempo(clock), 500000);
        EXPECT_EQ(MIDIClock_IsRunning(clock), 0);
    }
}

TEST_F(TransportTest, ClocksTakeTheStoredPatternsResolution) {
    writeSong("pattern", L"rock.mid", fourOnTheFloor(96));
    std::wcscpy(playerState.settings.patternName, L"rock.mid");
    loadStoredPattern();
    createClocksNow();
    EXPECT_EQ(clockResolution(playerState.handles.patternClock), 96);
    EXPECT_EQ(clockResolution(playerState.handles.patchClock), 96);
}

TEST_F(TransportTest, LocateMovesThePatternAndItsClockWithWrap) {
    loadRockPattern();  // 480 ticks per quarter note, ends at 1920
    struct Case {
        int32_t songPosition;
        int32_t tick;
    };
    for (Case c : {Case{20, 480}, Case{0, 0}, Case{4, 480}, Case{16, 0}, Case{16383, 1800}}) {
        SCOPED_TRACE(c.songPosition);
        EXPECT_EQ(locate(c.songPosition), 1);
        EXPECT_EQ(playerState.transport.patternPosition, c.tick);
        EXPECT_EQ(MIDIClock_GetTickCount(playerState.handles.patternClock), c.tick);
        EXPECT_EQ(MIDIClock_IsRunning(playerState.handles.patternClock), 0) << "a stopped clock stays stopped";
    }
    locate(20);
    EXPECT_EQ(MIDIClock_GetMillisec(playerState.handles.patternClock), 500) << "one quarter at 120 bpm";
}

TEST_F(TransportTest, LocateOnARunningClockKeepsItRunning) {
    loadRockPattern();
    startPattern();
    EXPECT_EQ(locate(8), 1);
    EXPECT_NE(MIDIClock_IsRunning(playerState.handles.patternClock), 0);
    advanceMs(100);
    EXPECT_EQ(MIDIClock_GetTickCount(playerState.handles.patternClock), 960 + 96);
    EXPECT_EQ(playerState.transport.patternPlaying, 1);
}

TEST_F(TransportTest, LocateForwardsTheReceivedPositionOnlyAsClockMaster) {
    loadRockPattern();
    struct Case {
        int32_t outSyncMode;
        int32_t songPosition;
        std::vector<Bytes> expected;
    };
    for (const Case& c : {Case{1, 20, {{0xF2, 0x14, 0x00}}}, Case{1, 16383, {{0xF2, 0x7F, 0x7F}}},
                          Case{1, 200, {{0xF2, 0x48, 0x01}}}, Case{0, 20, {}}, Case{2, 20, {}}}) {
        SCOPED_TRACE(c.outSyncMode);
        playerState.settings.midiOutSyncMode = c.outSyncMode;
        clearSent();
        locate(c.songPosition);
        EXPECT_EQ(sent(), c.expected);
    }
}

// A follower starts at the first pulse after Continue, and that pulse marks
// the song position: it leaves right behind 0xFB, the next a pulse later.
TEST_F(TransportTest, ContinueAtASongPositionSendsItsPulseFirst) {
    loadRockPattern();
    playerState.settings.midiOutSyncMode = 1;
    locate(5);  // sixteenth 5: tick 600, pulse 30
    clearSent();
    continuePattern();
    EXPECT_EQ(sent(), (std::vector<Bytes>{kContinue, {0xF8}}));
    clearSent();
    advanceMs(20);  // tick 619
    {
        std::lock_guard hold(playerState.lock);
        runPatternPass();
    }
    EXPECT_TRUE(sent().empty());
    advanceMs(1);   // tick 620: pulse 31
    {
        std::lock_guard hold(playerState.lock);
        runPatternPass();
    }
    EXPECT_EQ(sent(), (std::vector<Bytes>{{0xF8}}));
}

TEST_F(TransportTest, LocateWithoutPatternOrClockDoesNothing) {
    playerState.settings.midiOutSyncMode = 1;
    EXPECT_EQ(locate(20), 0) << "no clock, no pattern";
    createClocksNow();
    playerState.transport.patternPosition = 5;
    EXPECT_EQ(locate(20), 0) << "no pattern";
    EXPECT_EQ(playerState.transport.patternPosition, 5);
    EXPECT_TRUE(sent().empty());
}

TEST_F(TransportTest, LocateOnAPatternOfNoLengthGoesToTheStart) {
    createClocksNow();
    SmfBuilder dot(480);
    dot.track().noteOn(0, 9, 36, 100).noteOff(0, 9, 36).endOfTrack(0);
    writeSong("pattern", L"dot.mid", dot);
    choosePattern(L"dot.mid");
    ASSERT_NE(playerState.handles.patternData, nullptr);
    ASSERT_EQ(MIDIData_GetEndTime(playerState.handles.patternData), 0);
    EXPECT_EQ(locate(20), 1);
    EXPECT_EQ(playerState.transport.patternPosition, 0);
    EXPECT_EQ(MIDIClock_GetTickCount(playerState.handles.patternClock), 0);
}

}  // namespace
