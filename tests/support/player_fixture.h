// A player set up for tests: a temporary program folder with `pattern` and
// `patch` subfolders, every drum group on at level 100, virtual input and
// output ports, both mirrors, and a fake time source for the clocks.
// Tear-down stops any worker and releases every object.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/bounded_copy.h"
#include "common/song_path.h"
#include "engine/player_state.h"
#include "engine/transport.h"
#include "midi/clock/midi_clock.h"
#include "midi/ports/midi_io.h"
#include "midi/status/midi_status.h"
#include "midi/midi_bytes.h"
#include "midi/ports/virtual_midi.h"
#include "midi/song/midi_data.h"
#include "runtime/workers.h"
#include "tests/support/bytes.h"
#include "tests/support/fake_time.h"
#include "tests/support/player_setup.h"
#include "tests/support/recording_player_ui.h"
#include "tests/support/smf_builder.h"

class PlayerFixture : public ::testing::Test {
protected:
    static constexpr const wchar_t* kInputName = L"Test Input";
    static constexpr const wchar_t* kOutputName = L"Test Output";

    void SetUp() override {
        resetPlayerState();

        static int folderCount = 0;
        appDir_ = std::filesystem::temp_directory_path() /
                  ("quillbex-transport-" +
                   std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "-" +
                   std::to_string(++folderCount));
        std::filesystem::remove_all(appDir_);
        std::filesystem::create_directories(appDir_ / "pattern");
        std::filesystem::create_directories(appDir_ / "patch");
        copyTruncated(playerState.shell.appDir, appDir_.wstring());

        playerState.settings.tempo = 500000;
        playerState.settings.midiThru = 1;
        turnOnAllDrumGroups();
        openVirtualInput(kInputName);
        openVirtualOutput(kOutputName);
        ASSERT_NE(playerState.handles.midiIn, nullptr);
        ASSERT_NE(playerState.handles.midiOut, nullptr);
        ASSERT_NE(playerState.handles.midiInStatus, nullptr);
        ASSERT_NE(playerState.handles.midiOutStatus, nullptr);
    }

    void TearDown() override {
        stopWorkerThreads();
        releasePlayerObjects();
        resetPlayerState();
        VirtualMIDI_RemoveAll();
        std::error_code ignored;
        std::filesystem::remove_all(appDir_, ignored);
    }

    std::filesystem::path appDir() const { return appDir_; }

    void writeSong(const char* folder, const std::wstring& name, const SmfBuilder& smf) {
        writeFile(appDir_ / folder / name, smf.bytes());
    }

    static void writeFile(const std::filesystem::path& path, const Bytes& bytes) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    // The path the player builds for a song of `folder`.
    std::wstring songPath(const wchar_t* folder, const std::wstring& name) const {
        return std::wstring(playerState.shell.appDir) + kPathSeparator + folder + kPathSeparator + name;
    }

    // Chooses the song `name` as the window does: runs `operation` (selectPattern
    // or selectPatch) and shows the warning it returns.
    template <typename Operation>
    void choose(const std::wstring& name, Operation operation) {
        ui.showSongWarning(operation(name.c_str()));
    }
    void choosePattern(const std::wstring& name) { choose(name, selectPattern); }

    void createClocksNow() { createClocks(); }

    void advanceMs(int64_t ms) { time_.advanceMs(ms); }
    void advanceToNs(int64_t ns) { time_.advanceToNs(ns); }
    int64_t nowNs() const { return time_.nowNs(); }

    static std::vector<Bytes> sent() {
        std::vector<Bytes> messages;
        for (const VirtualMIDIMessage& message : VirtualMIDI_Sent(kOutputName))
            messages.push_back(message.bytes);
        return messages;
    }

    static void clearSent() { VirtualMIDI_ClearSent(kOutputName); }

    static void inject(const Bytes& message) {
        ASSERT_TRUE(VirtualMIDI_Inject(kInputName, message.data(), static_cast<int32_t>(message.size())));
    }

    // Whether the output mirror holds `key` on the drum channel.
    static bool mirrorHolds(int32_t key) {
        return MIDIPart_GetNoteKeep(MIDIStatus_GetMIDIPart(playerState.handles.midiOutStatus, kDrumChannel),
                                    key) != 0;
    }

    static void holdInMirror(int32_t key) {
        const uint8_t noteOn[3] = {kDrumNoteOn, static_cast<uint8_t>(key), 100};
        MIDIStatus_PutMIDIMessage(playerState.handles.midiOutStatus, noteOn, 3);
    }

    // Loads `smf` from memory as the pattern, playing, with a stopped clock
    // at tick 0, so each pass reads the tick a test sets.
    static void usePattern(const SmfBuilder& smf) {
        const Bytes bytes = smf.bytes();
        playerState.handles.patternData = MIDIData_LoadFromMemory(bytes.data(), bytes.size());
        ASSERT_NE(playerState.handles.patternData, nullptr);
        int32_t timeMode = 0;
        int32_t resolution = 0;
        MIDIData_GetTimeBase(playerState.handles.patternData, &timeMode, &resolution);
        playerState.handles.patternClock = MIDIClock_Create(timeMode, resolution, kDefaultTempo);
        ASSERT_NE(playerState.handles.patternClock, nullptr);
        playerState.transport.patternPlaying = 1;
        playerState.transport.patternPosition = 0;
    }

    static int32_t heldNotes(MIDIStatus* status) {
        int32_t count = 0;
        for (int32_t channel = 0; channel < 16; ++channel)
            count += MIDIPart_GetNumNoteKeep(MIDIStatus_GetMIDIPart(status, channel));
        return count;
    }

    static int32_t clockResolution(MIDIClock* clock) {
        int32_t timeMode = -1;
        int32_t resolution = 0;
        MIDIClock_GetTimeBase(clock, &timeMode, &resolution);
        return resolution;
    }

    RecordingPlayerUi ui;

private:
    // Before SetUp and after TearDown: the clocks never see the real time
    // unless a test asks for it.
    FakeTime time_;
    std::filesystem::path appDir_;
};

// A one-bar drum pattern at 480 ticks per quarter note: a bass drum on
// each beat, ending at tick 1920.
inline SmfBuilder fourOnTheFloor(uint16_t division = 480) {
    SmfBuilder smf(division);
    SmfTrackBuilder& track = smf.track();
    for (int beat = 0; beat < 4; ++beat)
        track.noteOn(beat * division, 9, 36, 100).noteOff(beat * division + division / 2, 9, 36);
    track.endOfTrack(4 * division);
    return smf;
}
