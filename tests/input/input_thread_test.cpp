#include "input/midi_input_thread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>

#include "tests/support/player_fixture.h"

namespace {

constexpr WindowCommand kStart = WindowCommand::start;
constexpr WindowCommand kStop = WindowCommand::stop;
constexpr WindowCommand kContinue = WindowCommand::continuePlaying;

class InputThreadTest : public PlayerFixture {
protected:
    void SetUp() override {
        PlayerFixture::SetUp();
        playerState.shell.mainWindow = &ui;
    }

    // Queues the messages and runs one pass over them, as the thread does.
    void receive(const std::vector<Bytes>& messages) {
        for (const Bytes& message : messages) inject(message);
        std::lock_guard hold(playerState.lock);
        runInputPass();
    }

    void loadPattern() {
        writeSong("pattern", L"rock.mid", fourOnTheFloor());
        createClocksNow();
        choosePattern(L"rock.mid");
        ASSERT_NE(playerState.handles.patternData, nullptr);
    }
};

struct SyncCase {
    const char* what;
    int32_t playing, syncStart, syncStop;
    std::vector<Bytes> messages;
    std::vector<WindowCommand> commands;
};

TEST_F(InputThreadTest, SyncStartAndSyncStop) {
    const SyncCase cases[] = {
        {"note-on starts", 0, 1, 1, {{0x90, 60, 100}}, {kStart}},
        {"on any channel", 0, 1, 1, {{0x9F, 60, 1}}, {kStart}},
        {"velocity 0 never starts", 0, 1, 1, {{0x90, 60, 0}}, {}},
        {"a two-byte note-on has velocity 0", 0, 1, 1, {{0x90, 60}}, {}},
        {"pedal down starts", 0, 1, 1, {{0xB0, 64, 127}}, {kStart}},
        {"pedal up starts", 0, 1, 1, {{0xBF, 64, 0}}, {kStart}},
        {"a chord posts one Start per note", 0, 1, 1, {{0x90, 60, 90}, {0x90, 64, 90}, {0x90, 67, 90}},
         {kStart, kStart, kStart}},
        {"other messages never start",
         0, 1, 1,
         {{0xB0, 1, 64}, {0xC0, 5}, {0xE0, 0, 64}, {0xD0, 40}, {0xA0, 60, 40}, {0x80, 60, 0}},
         {}},
        {"sync start off", 0, 0, 1, {{0x90, 60, 100}, {0xB0, 64, 127}}, {}},
        {"already playing", 1, 1, 0, {{0x90, 60, 100}}, {}},
        {"one key of a chord released", 1, 0, 1, {{0x90, 60, 90}, {0x91, 64, 90}, {0x80, 60, 0}}, {}},
        {"last key released, on another channel", 1, 0, 1,
         {{0x90, 60, 90}, {0x91, 64, 90}, {0x80, 60, 0}, {0x81, 64, 0}}, {kStop}},
        {"velocity 0 releases", 1, 0, 1, {{0x90, 60, 90}, {0x90, 60, 0}}, {kStop}},
        {"pedal with nothing held stops", 1, 0, 1, {{0xB0, 64, 0}}, {kStop}},
        {"pedal with a key held", 1, 0, 1, {{0x90, 60, 90}, {0xB0, 64, 0}}, {}},
        {"other controllers never stop", 1, 0, 1, {{0xB0, 7, 0}, {0xC0, 1}, {0xE0, 0, 0}}, {}},
        {"sync stop off", 1, 0, 0, {{0x90, 60, 90}, {0x80, 60, 0}}, {}},
        {"stopped: releases do nothing", 0, 0, 1, {{0x80, 60, 0}, {0xB0, 64, 0}}, {}},
    };
    for (const SyncCase& c : cases) {
        SCOPED_TRACE(c.what);
        ui.clear();
        playerState.transport.patternPlaying = c.playing;
        playerState.settings.syncStart = c.syncStart;
        playerState.settings.syncStop = c.syncStop;
        receive(c.messages);
        EXPECT_EQ(ui.commands(), c.commands);
        std::vector<Bytes> letGo;  // of the pedal and every key the case held
        for (uint8_t channel = 0; channel < 16; ++channel) {
            letGo.push_back({static_cast<uint8_t>(0xB0 | channel), 64, 0});
            letGo.push_back({static_cast<uint8_t>(0xB0 | channel), 123, 0});
        }
        receive(letGo);
        ASSERT_EQ(heldNotes(playerState.handles.midiInStatus), 0);
    }
}

TEST_F(InputThreadTest, TransportMessagesPostCommandsWhateverTheSettings) {
    playerState.settings.syncStart = 0;
    playerState.settings.syncStop = 0;
    playerState.settings.tempoMode = 1;
    playerState.settings.midiInSyncMode = 2;
    receive({{0xFA}, {0xFB}, {0xFC}});
    EXPECT_EQ(ui.commands(), (std::vector<WindowCommand>{kStart, kContinue, kStop}));
}

TEST_F(InputThreadTest, SongPositionLocatesOnlyInClockSyncMode) {
    loadPattern();  // 480 ticks per quarter note, ends at 1920
    playerState.settings.midiOutSyncMode = 0;
    for (int32_t inSyncMode : {0, 2, 1}) {
        SCOPED_TRACE(inSyncMode);
        playerState.settings.midiInSyncMode = inSyncMode;
        playerState.transport.patternPosition = 7;
        clearSent();
        receive({{0xF2, 0x14, 0x00}});  // sixteenth note 20: tick 2400, wrapped to 480
        EXPECT_EQ(playerState.transport.patternPosition, inSyncMode == 1 ? 480 : 7);
        EXPECT_EQ(sent(), std::vector<Bytes>{Bytes({0xF2, 0x14, 0x00})}) << "passed through";
    }
    // Both bytes count: (2 << 7) | 1 = 257 sixteenths = 30840 ticks, wrapped to 120.
    receive({{0xF2, 0x01, 0x02}});
    EXPECT_EQ(playerState.transport.patternPosition, 120);
    EXPECT_TRUE(ui.commands().empty());
}

TEST_F(InputThreadTest, AsClockMasterAReceivedSongPositionGoesOutOnce) {
    loadPattern();
    playerState.settings.midiInSyncMode = 1;
    playerState.settings.midiOutSyncMode = 1;
    receive({{0xF2, 0x14, 0x00}});
    EXPECT_EQ(sent(), (std::vector<Bytes>{{0xF2, 0x14, 0x00}})) << "forwarded, not passed through";
}

// While the player sends its own clock or time code, a slave must hear one
// master: received messages of that family stay behind, everything else,
// the other family included, passes.
TEST_F(InputThreadTest, ThruKeepsBackOnlyTheSyncFamilyThePlayerSends) {
    const Bytes fullFrame = {0xF0, 0x7F, 0x7F, 0x01, 0x01, 0x01, 0x02, 0x03, 0x04, 0xF7};
    const Bytes userBits = {0xF0, 0x7F, 0x7F, 0x01, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xF7};
    const std::vector<Bytes> clock = {{0xF8}, {0xF2, 0x10, 0x00}, {0xFA}, {0xFB}, {0xFC}};
    const std::vector<Bytes> timeCode = {{0xF1, 0x21}, fullFrame};
    const std::vector<Bytes> others = {{0x90, 60, 100}, {0xB0, 7, 90}, {0xFE}, userBits,
                                       {0xF0, 0x43, 0x10, 0x4C, 0xF7}};
    std::vector<Bytes> mixed;
    for (size_t i = 0; i < others.size(); ++i) {
        mixed.push_back(others[i]);
        if (i < clock.size()) mixed.push_back(clock[i]);
        if (i < timeCode.size()) mixed.push_back(timeCode[i]);
    }
    playerState.settings.midiInSyncMode = 0;  // a song position is only passed on, never forwarded
    const struct {
        int32_t outSyncMode;
        std::vector<Bytes> keptBack;
    } rows[] = {{1, clock}, {3, timeCode}, {5, timeCode}, {0, {}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.outSyncMode);
        playerState.settings.midiOutSyncMode = row.outSyncMode;
        clearSent();
        receive(mixed);
        std::vector<Bytes> passed;
        for (const Bytes& m : mixed)
            if (std::find(row.keptBack.begin(), row.keptBack.end(), m) == row.keptBack.end()) passed.push_back(m);
        EXPECT_EQ(sent(), passed);
    }
}

TEST_F(InputThreadTest, ThruPassesEverythingUnchangedAndInOrder) {
    const std::vector<Bytes> messages = {
        {0x90, 60, 100}, {0xF8}, {0xF1, 0x21}, {0xFA}, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7},
        {0xE3, 0x00, 0x40}, {0xC9, 0x05}, {0xFC}};
    receive(messages);
    EXPECT_EQ(sent(), messages);
    EXPECT_EQ(heldNotes(playerState.handles.midiOutStatus), 1) << "what goes out is mirrored";
    EXPECT_EQ(heldNotes(playerState.handles.midiInStatus), 1);
}

TEST_F(InputThreadTest, WithoutThruTheInputIsStillMirroredAndActedOn) {
    playerState.settings.midiThru = 0;
    playerState.settings.syncStart = 1;
    receive({{0x90, 60, 100}, {0x91, 62, 100}});
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(heldNotes(playerState.handles.midiInStatus), 2);
    EXPECT_EQ(heldNotes(playerState.handles.midiOutStatus), 0);
    EXPECT_EQ(ui.commands(), (std::vector<WindowCommand>{kStart, kStart}));

    // Without an output port the sync actions still happen.
    playerState.settings.midiThru = 1;
    MIDIOut_Close(playerState.handles.midiOut);
    playerState.handles.midiOut = nullptr;
    playerState.transport.patternPlaying = 1;
    playerState.settings.syncStop = 1;
    ui.clear();
    receive({{0x80, 60, 0}, {0x81, 62, 0}});
    EXPECT_EQ(ui.commands(), std::vector<WindowCommand>{kStop});
    EXPECT_EQ(heldNotes(playerState.handles.midiOutStatus), 0);
}

TEST_F(InputThreadTest, OnePassDrainsTheWholeQueue) {
    std::vector<Bytes> messages;
    for (uint8_t key = 0; key < 100; ++key) messages.push_back({0x90, key, 1});
    receive(messages);
    EXPECT_EQ(sent().size(), messages.size());
    clearSent();
    std::lock_guard hold(playerState.lock);
    runInputPass();
    EXPECT_TRUE(sent().empty());
}

TEST_F(InputThreadTest, WithoutInputPortAPassDoesNothing) {
    inject({0xFA});
    MIDIIn_Close(playerState.handles.midiIn);
    playerState.handles.midiIn = nullptr;
    receive({});
    EXPECT_TRUE(ui.commands().empty());
    EXPECT_TRUE(sent().empty());
}

TEST_F(InputThreadTest, ReceivedTimingDrivesBothFollowingClocks) {
    playerState.settings.tempoMode = 1;
    playerState.settings.midiInSyncMode = 1;
    createClocksNow();  // 120 ticks per quarter note, following MIDI clock
    MIDIClock_Start(playerState.handles.patternClock);
    MIDIClock_Start(playerState.handles.patchClock);
    std::vector<Bytes> quarterNote(24, Bytes{0xF8});
    receive(quarterNote);
    EXPECT_GT(MIDIClock_GetTickCount(playerState.handles.patternClock), 0);
    EXPECT_GT(MIDIClock_GetTickCount(playerState.handles.patchClock), 0);
    EXPECT_EQ(sent().size(), 24u) << "timing is passed through as well";
}

// Start and Continue reach the player through the window's queue, the
// pulses at once: a pulse that comes first is the start position's pulse
// all the same, as it is when the player acts before it.
TEST_F(InputThreadTest, TheFirstPulseAfterStartOrContinueReadsTheStartPosition) {
    struct Case {
        const char* what;
        std::vector<Bytes> before;  // received before the player acts
        bool isContinue;
        std::vector<Bytes> after;
        int32_t tick;
    };
    const Case cases[] = {
        {"pulse before the player's Start", {{0xFA}, {0xF8}}, false, {}, 0},
        {"pulse after the player's Start", {{0xFA}}, false, {{0xF8}}, 0},
        {"pulses before and after", {{0xFA}, {0xF8}, {0xF8}}, false, {{0xF8}}, 40},
        {"Continue at a song position", {{0xF2, 2, 0}, {0xFB}, {0xF8}}, true, {}, 240},
        {"Start taken back by Stop", {{0xFA}, {0xF8}, {0xFC}}, false, {}, -1},
    };
    playerState.settings.tempoMode = 1;
    playerState.settings.midiInSyncMode = 1;
    loadPattern();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        stopPlayback();
        receive(c.before);
        c.isContinue ? continuePattern() : startPattern();
        receive(c.after);
        std::lock_guard hold(playerState.lock);
        EXPECT_EQ(MIDIClock_GetTickCount(playerState.handles.patternClock), c.tick);
    }
}

using InputThreadDeathTest = InputThreadTest;

TEST_F(InputThreadDeathTest, APassOrAHeldNoteCountWithoutTheLockDies) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(runInputPass(), "runInputPass: called without holding playerState.lock");
    EXPECT_DEATH(heldNoteCount(), "heldNoteCount: called without holding playerState.lock");
}

}  // namespace
