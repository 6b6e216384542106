// A player state with an open virtual output port and its mirror, all drum
// groups on at level 100, and helpers to load a pattern and read back what
// went out.
#pragma once

#include "engine/player_state.h"
#include "midi/clock/midi_clock.h"
#include "midi/song/midi_data.h"
#include "midi/ports/midi_io.h"
#include "midi/status/midi_status.h"
#include "midi/ports/virtual_midi.h"
#include "tests/support/player_setup.h"
#include "tests/support/smf_builder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <mutex>
#include <vector>

using Bytes = std::vector<uint8_t>;

inline constexpr wchar_t kEngineTestOutput[] = L"Engine Test Out";
inline constexpr int32_t kDrumPart = 9;

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetPlayerState();
        turnOnAllDrumGroups();
        openVirtualOutput(kEngineTestOutput);
        ASSERT_NE(playerState.midiOut, nullptr);
        ASSERT_NE(playerState.midiOutStatus, nullptr);
    }

    void TearDown() override {
        MIDIOut_Close(playerState.midiOut);
        MIDIStatus_Delete(playerState.midiOutStatus);
        MIDIData_Delete(playerState.patternData);
        MIDIClock_Delete(playerState.patternClock);
        VirtualMIDI_RemoveAll();
        resetPlayerState();
    }

    // Every message sent to the output port so far, oldest first.
    static std::vector<Bytes> sent() {
        std::vector<Bytes> messages;
        for (const VirtualMIDIMessage& message : VirtualMIDI_Sent(kEngineTestOutput))
            messages.push_back(message.bytes);
        return messages;
    }

    static void clearSent() { VirtualMIDI_ClearSent(kEngineTestOutput); }

    // Whether the output mirror holds `key` on the drum channel.
    static bool mirrorHolds(int32_t key) {
        return MIDIPart_GetNoteKeep(MIDIStatus_GetMIDIPart(playerState.midiOutStatus, kDrumPart),
                                    key) != 0;
    }

    static void holdInMirror(int32_t key) {
        const uint8_t noteOn[3] = {0x99, static_cast<uint8_t>(key), 100};
        MIDIStatus_PutMIDIMessage(playerState.midiOutStatus, noteOn, 3);
    }

    // Loads `smf` as the pattern and gives it a stopped clock at tick 0, so
    // each pass reads the tick a test sets.
    static void loadPattern(const SmfBuilder& smf) {
        const Bytes bytes = smf.bytes();
        playerState.patternData = MIDIData_LoadFromMemory(bytes.data(), bytes.size());
        ASSERT_NE(playerState.patternData, nullptr);
        int32_t timeMode = 0;
        int32_t resolution = 0;
        MIDIData_GetTimeBase(playerState.patternData, &timeMode, &resolution);
        playerState.patternClock = MIDIClock_Create(timeMode, resolution, 500000);
        ASSERT_NE(playerState.patternClock, nullptr);
        playerState.patternPlaying = 1;
        playerState.patternPosition = 0;
    }
};
