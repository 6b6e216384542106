#include "runtime/workers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <random>
#include <set>
#include <thread>

#include "engine/drum_groups.h"
#include "engine/patch_player.h"
#include "engine/port_keeper.h"
#include "engine/tempo.h"
#include "engine/transport.h"
#include "midi/song/midi_data.h"
#include "midi/midi_bytes.h"
#include "midi/ports/virtual_midi.h"
#include "tests/support/player_fixture.h"

namespace {

class WorkersTest : public PlayerFixture {
protected:
    void SetUp() override {
        PlayerFixture::SetUp();
        MIDIClockLib_SetTimeSource(nullptr);  // the workers run on real time
        createClocksNow();
        playerState.shell.mainWindow = &ui;
    }
};

::testing::AssertionResult isCompleteMessage(const Bytes& message) {
    if (message.empty() || message[0] < 0x80)
        return ::testing::AssertionFailure() << "no status byte";
    // A system-exclusive message runs to its F7; every other has a fixed length.
    size_t length = message.size();
    if (message[0] == 0xF0) {
        if (message.back() != 0xF7) return ::testing::AssertionFailure() << "unterminated sysex";
    } else {
        length = 1 + static_cast<size_t>(midiDataLength(message[0]));
    }
    if (message.size() != length)
        return ::testing::AssertionFailure() << "length " << message.size() << " for status "
                                             << int(message[0]);
    const size_t dataEnd = message[0] == 0xF0 ? length - 1 : length;
    for (size_t i = 1; i < dataEnd; ++i)
        if (message[i] >= 0x80) return ::testing::AssertionFailure() << "status byte inside the data";
    return ::testing::AssertionSuccess();
}

TEST_F(WorkersTest, StartSetsTheFlagsAndStopClearsThemAndJoins) {
    ASSERT_TRUE(startWorkerThreads());
    EXPECT_EQ(playerState.shell.inputThread, 1);
    EXPECT_EQ(playerState.shell.patternThread, 1);
    EXPECT_EQ(playerState.shell.patchThread, 1);
    EXPECT_FALSE(startWorkerThreads()) << "the workers start once";

    EXPECT_TRUE(stopWorkerThreads());
    EXPECT_EQ(playerState.shell.mainWindow.load(), nullptr);
    EXPECT_EQ(playerState.shell.inputThread, 0);
    EXPECT_EQ(playerState.shell.patternThread, 0);
    EXPECT_EQ(playerState.shell.patchThread, 0);

    releasePlayerObjects();
    EXPECT_EQ(playerState.handles.midiIn, nullptr);
    EXPECT_EQ(playerState.handles.midiOut, nullptr);
    EXPECT_EQ(playerState.handles.midiInStatus, nullptr);
    EXPECT_EQ(playerState.handles.midiOutStatus, nullptr);
    EXPECT_EQ(playerState.handles.patternClock, nullptr);
    EXPECT_EQ(playerState.handles.patchClock, nullptr);
    EXPECT_EQ(playerState.handles.patternData, nullptr);
    EXPECT_EQ(playerState.handles.patchData, nullptr);
}

TEST_F(WorkersTest, ReceivedNotesReachTheMainWindowAndTheOutput) {
    playerState.settings.syncStart = 1;
    ASSERT_TRUE(startWorkerThreads());
    inject({0x90, 60, 100});
    EXPECT_TRUE(ui.waitForCommands(1, std::chrono::seconds(5)));
    ASSERT_TRUE(stopWorkerThreads());
    EXPECT_EQ(ui.commands(), std::vector<WindowCommand>{WindowCommand::start});
    EXPECT_EQ(sent(), std::vector<Bytes>{Bytes({0x90, 60, 100})});
}

// The three workers run while a user-interface thread does everything a
// musician can do, and a keyboard plays into the input. Afterwards every
// message on the output must be whole, no pattern note may come from a
// pattern that was not loaded, and nothing may follow the shutdown.
TEST_F(WorkersTest, UserOperationsRaceTheWorkersCleanly) {
    // Pattern "a" plays keys 36 and 38 only, pattern "b" keys 42 and 46.
    SmfBuilder a(480);
    a.track().noteOn(0, 9, 36, 100).noteOff(120, 9, 36).noteOn(240, 9, 38, 90).noteOff(360, 9, 38).endOfTrack(480);
    SmfBuilder b(96);
    b.track().noteOn(0, 9, 42, 80).noteOff(24, 9, 42).noteOn(48, 9, 46, 70).noteOff(72, 9, 46).endOfTrack(96);
    SmfBuilder patch(480);
    patch.track().programChange(0, 0, 10).controller(30, 0, 7, 90).programChange(60, 1, 20);
    SmfBuilder frames(0xE728);
    frames.track().noteOn(0, 9, 49, 100);
    writeSong("pattern", L"a.mid", a);
    writeSong("pattern", L"b.mid", b);
    writeSong("pattern", L"frames.mid", frames);
    writeSong("patch", L"setup.mid", patch);
    playerState.settings.syncStart = 1;
    playerState.settings.syncStop = 1;
    playerState.settings.midiOutSyncMode = 1;
    playerState.settings.midiInSyncMode = 1;

    ASSERT_TRUE(startWorkerThreads());
    std::atomic<bool> playing{true};
    std::thread keyboard([&] {
        std::mt19937 random(7);
        while (playing) {
            uint8_t key = static_cast<uint8_t>(60 + random() % 12);
            const Bytes messages[] = {{0x90, key, 100}, {0x80, key, 0}, {0xF8}, {0xB0, 64, 127},
                                      {0xF2, 4, 0}, {0xB0, 64, 0}, {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}};
            const Bytes& message = messages[random() % std::size(messages)];
            VirtualMIDI_Inject(kInputName, message.data(), static_cast<int32_t>(message.size()));
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });

    // Which pattern was loaded when: a selection changes it somewhere
    // between the call and its return.
    struct Selection {
        int64_t startNs, endNs;
        char loaded;  // 'a', 'b' or 0
    };
    std::vector<Selection> selections = {{0, 0, 0}};
    const std::wstring patternNames[] = {L"a.mid", L"b.mid", L"frames.mid", L"missing.mid"};
    std::mt19937 random(11);
    size_t commandsDone = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < end) {
        // Commands posted by the input thread, carried out as the main window would.
        std::vector<WindowCommand> commands = ui.commands();
        for (; commandsDone < commands.size(); ++commandsDone) {
            WindowCommand command = commands[commandsDone];
            if (command == WindowCommand::start) startPattern();
            if (command == WindowCommand::stop) stopPlayback();
            if (command == WindowCommand::continuePlaying) continuePattern();
        }
        switch (random() % 9) {
        case 0: startPattern(); break;
        case 1: stopPlayback(); break;
        case 2: continuePattern(); break;
        case 3: {
            const std::wstring& name = patternNames[random() % std::size(patternNames)];
            Selection selection{MIDIClockLib_Now(), 0, 0};
            choose(name, selectPattern);
            selection.endNs = MIDIClockLib_Now();
            if (playerState.handles.patternData) selection.loaded = static_cast<char>(name[0]);
            selections.push_back(selection);
            break;
        }
        case 4: choose(L"setup.mid", selectPatch); break;
        case 5: setGroupEnabled(1 + random() % 7, random() % 2); break;
        case 6: setGroupLevel(1 + random() % 7, 1 + random() % 200); break;
        case 7:
            setTempoBpm(static_cast<int32_t>(16 + random() % 241));
            break;
        case 8: setTempoMode(random() % 2 ? kTempoFollowInput : kTempoOwn); break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 4));
    }
    playing = false;
    keyboard.join();
    ASSERT_TRUE(stopWorkerThreads());
    const int64_t stoppedNs = MIDIClockLib_Now();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));

    const std::vector<VirtualMIDIMessage> output = VirtualMIDI_Sent(kOutputName);
    ASSERT_FALSE(output.empty());
    const std::set<uint8_t> keysOfA = {36, 38}, keysOfB = {42, 46};
    size_t patternNotes = 0;
    for (const VirtualMIDIMessage& message : output) {
        EXPECT_TRUE(isCompleteMessage(message.bytes));
        EXPECT_LE(message.timeNs, stoppedNs) << "sent after the shutdown";
        const bool drumNoteOn = message.bytes.size() == 3 && message.bytes[0] == 0x99 && message.bytes[2] > 0;
        if (!drumNoteOn) continue;
        ++patternNotes;
        const char source = keysOfA.count(message.bytes[1]) ? 'a' : keysOfB.count(message.bytes[1]) ? 'b' : '?';
        // Acceptable: the pattern loaded by the last selection finished
        // before the note, or either side of a selection under way.
        auto after = std::find_if(selections.rbegin(), selections.rend(),
                                  [&](const Selection& s) { return s.startNs <= message.timeNs; });
        ASSERT_NE(after, selections.rend());
        bool loaded = after->loaded == source;
        if (after->endNs > message.timeNs && after + 1 != selections.rend())
            loaded = loaded || (after + 1)->loaded == source;
        EXPECT_TRUE(loaded) << "key " << int(message.bytes[1]) << " at " << message.timeNs;
    }
    EXPECT_GT(patternNotes, 0u) << "the patterns never played";
}

// The ports are reopened (to the same device, another one, or one that
// fails to open) and the sync modes changed, as the dialogs do it, while a
// pattern plays and timing and notes arrive. What reaches the output is
// whole messages only; ThreadSanitizer watches the rest.
TEST_F(WorkersTest, PortsReopenAndSyncModesChangeWhileTheWorkersRun) {
    SmfBuilder pattern(96);
    pattern.track().noteOn(0, 9, 36, 100).noteOff(24, 9, 36).noteOn(48, 9, 38, 90).endOfTrack(96);
    writeSong("pattern", L"a.mid", pattern);
    choosePattern(L"a.mid");
    VirtualMIDI_CreateInput(L"Other Input");
    VirtualMIDI_CreateOutput(L"Other Output");
    ASSERT_TRUE(startWorkerThreads());

    std::atomic<bool> playing{true};
    std::thread keyboard([&] {
        const Bytes messages[] = {{0xF8}, {0xFA}, {0xF1, 0x21}, {0x90, 60, 100}, {0x80, 60, 0}, {0xF2, 8, 0}};
        for (size_t i = 0; playing; ++i) {
            const Bytes& message = messages[i % std::size(messages)];
            for (const wchar_t* input : {kInputName, L"Other Input"})
                VirtualMIDI_Inject(input, message.data(), static_cast<int32_t>(message.size()));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });

    const wchar_t* inputs[] = {kInputName, L"Other Input", L"Missing Input", L""};
    const wchar_t* outputs[] = {kOutputName, L"Other Output", L"Missing Output"};
    PlayerState& p = playerState;
    std::mt19937 random(5);
    startPattern();
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    while (std::chrono::steady_clock::now() < end) {
        switch (random() % 5) {
        case 0: {
            std::lock_guard hold(p.lock);
            p.handles.midiIn = MIDIIn_ReopenW(p.handles.midiIn, inputs[random() % std::size(inputs)]);
            break;
        }
        case 1: {
            std::lock_guard hold(p.lock);
            p.handles.midiOut = MIDIOut_ReopenW(p.handles.midiOut, outputs[random() % std::size(outputs)]);
            break;
        }
        case 2:
            p.settings.midiInSyncMode = static_cast<int32_t>(random() % 3);
            setTempoMode(random() % 2 ? kTempoFollowInput : kTempoOwn);
            break;
        case 3: p.settings.midiOutSyncMode = static_cast<int32_t>(random() % 6); break;
        case 4:
            if (random() % 2) startPattern();
            else stopPlayback();
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 3));
    }
    playing = false;
    keyboard.join();
    ASSERT_TRUE(stopWorkerThreads());

    size_t messages = 0;
    for (const wchar_t* output : {kOutputName, L"Other Output"}) {
        for (const VirtualMIDIMessage& message : VirtualMIDI_Sent(output)) {
            ++messages;
            EXPECT_TRUE(isCompleteMessage(message.bytes));
        }
    }
    EXPECT_GT(messages, 0u);
}

// Both cables pulled while a pattern plays, then put back: each device is
// named in one warning, and once it is back the keeper has it in play again
// without anyone's help: the pattern's drums reach the output and what is
// played on the input passes through.
TEST_F(WorkersTest, PulledCablesAreNamedOnceAndHealWhenTheDevicesReturn) {
    SmfBuilder pattern(96);
    pattern.track().noteOn(0, 9, 36, 100).noteOff(24, 9, 36).endOfTrack(96);
    writeSong("pattern", L"a.mid", pattern);
    choosePattern(L"a.mid");
    portKeeperWatch(PortSide::input, kInputName);
    portKeeperWatch(PortSide::output, kOutputName);
    ASSERT_TRUE(startWorkerThreads());
    startPattern();

    VirtualMIDI_RemoveAll();
    const auto waitUntil = [](auto condition) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!condition() && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return condition();
    };
    ASSERT_TRUE(waitUntil([&] { return ui.warnings().size() == 2; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // a few looks of the keeper
    VirtualMIDI_CreateInput(kInputName);
    VirtualMIDI_CreateOutput(kOutputName);
    const auto drumArrived = [] {
        for (const VirtualMIDIMessage& message : VirtualMIDI_Sent(kOutputName))
            if (message.bytes[0] == 0x99) return true;
        return false;
    };
    EXPECT_TRUE(waitUntil(drumArrived));
    const Bytes played = {0x90, 61, 100};
    EXPECT_TRUE(waitUntil([&] {
        VirtualMIDI_Inject(kInputName, played.data(), 3);
        for (const VirtualMIDIMessage& message : VirtualMIDI_Sent(kOutputName))
            if (message.bytes == played) return true;
        return false;
    }));
    ASSERT_TRUE(stopWorkerThreads());

    const std::vector<RecordingPlayerUi::Shown> warnings = ui.warnings();
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_EQ(warnings[0].kind, Warning::inputGone);
    EXPECT_EQ(warnings[0].detail, kInputName);
    EXPECT_EQ(warnings[1].kind, Warning::outputGone);
    EXPECT_EQ(warnings[1].detail, kOutputName);
}

}  // namespace
