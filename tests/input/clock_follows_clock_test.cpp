// Quillbex following Quillbex: the timing clock one copy sends as master,
// fed at the same times to a copy that follows it, plays every note of the
// pattern on the same pulse in both.
#include "engine/pattern_player.h"
#include "input/midi_input_thread.h"

#include <gtest/gtest.h>

#include <mutex>
#include <utility>

#include "tests/support/player_fixture.h"

namespace {

using PulseAndNote = std::pair<int, Bytes>;  // how many pulses came before the note, and the note

class ClockFollowsClockTest : public PlayerFixture {
protected:
    void SetUp() override {
        PlayerFixture::SetUp();
        playerState.shell.mainWindow = &ui;
        playerState.settings.midiThru = 0;
        writeSong("pattern", L"beat.mid", fourOnTheFloor());
        createClocksNow();
        choosePattern(L"beat.mid");
    }

    // Runs what the workers and the window run, once a millisecond.
    void step() {
        {
            std::lock_guard hold(playerState.lock);
            runInputPass();
        }
        for (WindowCommand command : ui.commands()) {
            if (command == WindowCommand::start) startPattern();
        }
        ui.clear();
        std::lock_guard hold(playerState.lock);
        runPatternPass();
    }
};

// Each drum note with the count of pulses sent or received before it.
std::vector<PulseAndNote> notesByPulse(const std::vector<VirtualMIDIMessage>& messages, int pulsesBefore = 0) {
    std::vector<PulseAndNote> notes;
    int pulses = pulsesBefore;
    for (const VirtualMIDIMessage& message : messages) {
        if (message.bytes == Bytes{0xF8}) ++pulses;
        if (message.bytes[0] == 0x99) notes.emplace_back(pulses, message.bytes);
    }
    return notes;
}

TEST_F(ClockFollowsClockTest, TheFollowerPlaysEachNoteOnTheMastersPulse) {
    // The master: own tempo, 120 bpm, timing clock out, two bars.
    playerState.settings.midiOutSyncMode = kOutSyncTimingClock;
    startPattern();
    for (int ms = 0; ms < 4000; ++ms) {
        advanceMs(1);
        step();
    }
    const std::vector<VirtualMIDIMessage> master = VirtualMIDI_Sent(kOutputName);
    stopPlayback();

    // The follower hears the master's Start and pulses when they left.
    playerState.settings.midiOutSyncMode = kOutSyncNone;
    playerState.settings.midiInSyncMode = kInSyncTimingClock;
    playerState.settings.tempoMode = kTempoFollowInput;
    MIDIClock_SetMIDIInSyncMode(playerState.handles.patternClock, kInSyncTimingClock);
    clearSent();
    const int64_t offset = nowNs() - master.front().timeNs + 1000000;
    std::vector<VirtualMIDIMessage> heard;  // the master's timing as fed, and the follower's notes
    size_t next = 0;
    for (int ms = 0; ms < 4100; ++ms) {
        advanceMs(1);
        for (; next < master.size() && master[next].timeNs + offset <= nowNs(); ++next) {
            if (master[next].bytes[0] == 0x99) continue;
            inject(master[next].bytes);
            heard.push_back(master[next]);
        }
        clearSent();
        step();
        for (const VirtualMIDIMessage& message : VirtualMIDI_Sent(kOutputName)) heard.push_back(message);
    }
    const std::vector<PulseAndNote> played = notesByPulse(master);
    ASSERT_EQ(played.size(), 17u) << "two bars of four beats, each on and off, and the next downbeat";
    EXPECT_EQ(notesByPulse(heard), played);
}

}  // namespace
