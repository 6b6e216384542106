// Quillbex.exe as MIDI clock master, driven through the loop-back ports: one
// clock on the output while another arrives on the input, and an output left
// silent when the window is closed while the pattern plays.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "midi/ports/loopback_pipe.h"
#include "resources/resource_ids.h"
#include "tests/app/loopback_program_test.h"
#include "tests/support/smf_builder.h"
#include "tools/program_driver/loopback_pipe_server.h"
#include "tools/program_driver/program_run.h"

namespace {

constexpr DWORD kMessageWaitMs = 3000;
constexpr int kOwnPulsesPerSecond = 48;  // 24 a quarter note at 120 bpm

// Two bars at 120 beats per minute holding one bass drum note for almost
// four seconds, so it still sounds when the window closes.
std::vector<uint8_t> longNote() {
    SmfBuilder smf(480);
    smf.track().noteOn(0, 9, 36, 100).noteOn(3800, 9, 36, 0).endOfTrack(3840);
    return smf.bytes();
}

class ProgramSync : public LoopbackProgramTest {
protected:
    ProgramSync() : LoopbackProgramTest(L"quillbex-sync") {}

    void SetUp() override {
        folder.addPattern(L"Long.mid", longNote());
        startProgram({
            L"[Status]", L"PatternName=Long.mid", L"Tempo=500000", L"TempoMode=0", L"SyncStart=0",
            L"SyncStop=0",
            L"[MIDI Device]", std::wstring(L"MIDIInName=") + kLoopbackInputName,
            std::wstring(L"MIDIOutName=") + kLoopbackOutputName, L"MIDIThru=1",
            L"[MIDI Sync Mode]", L"MIDIOutSyncMode=1",
            L"[Language]", L"UserInterface=English"});
    }

    // Everything the program sends until `wanted`, `wanted` included.
    std::vector<LoopbackMessage> receiveThrough(const LoopbackMessage& wanted) {
        return pipes.fromProgram.readUntil(
            [&](const std::vector<LoopbackMessage>& so) { return !so.empty() && so.back() == wanted; },
            kMessageWaitMs);
    }
};

// A slave on the output follows the program's 120 bpm, not that plus a
// 100 bpm clock arriving on the input; other input still passes through.
TEST_F(ProgramSync, ThruLeavesTheProgramsOwnClockAloneOnTheOutput) {
    clickButton(window, IDC_START_BUTTON);
    ASSERT_EQ(receiveThrough({0xFA}).back(), LoopbackMessage{0xFA});
    const ULONGLONG started = GetTickCount64();

    const int externalPulses = 80;  // two seconds at 100 bpm
    for (int pulse = 0; pulse < externalPulses; ++pulse) {
        ASSERT_TRUE(pipes.toProgram.write({0xF8}));
        if (pulse == externalPulses / 2) {
            ASSERT_TRUE(pipes.toProgram.write({0xB0, 7, 90}));
        }
        Sleep(25);
    }
    clickButton(window, IDC_STOP_BUTTON);
    const std::vector<LoopbackMessage> played = receiveThrough({0xFC});
    const ULONGLONG elapsedMs = GetTickCount64() - started;
    ASSERT_EQ(played.back(), LoopbackMessage{0xFC});

    const auto pulses = std::count(played.begin(), played.end(), LoopbackMessage{0xF8});
    const auto own = static_cast<long long>(elapsedMs * kOwnPulsesPerSecond / 1000);
    // Half a second of slack either way for Wine's timing; the 80 passed-on
    // pulses would be far outside it.
    EXPECT_NEAR(static_cast<double>(pulses), static_cast<double>(own), kOwnPulsesPerSecond / 2.0)
        << pulses << " pulses in " << elapsedMs << " ms";
    EXPECT_EQ(std::count(played.begin(), played.end(), LoopbackMessage{0xB0, 7, 90}), 1);
}

// Closing the window while a note sounds ends it and stops the slave before
// the ports close: the same silence as Stop.
TEST_F(ProgramSync, ClosingWhilePlayingEndsTheSoundingNoteAndStopsTheSlave) {
    clickButton(window, IDC_START_BUTTON);
    ASSERT_EQ(receiveThrough({0x99, 36, 100}).back(), (LoopbackMessage{0x99, 36, 100}));

    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_EQ(run->waitForExit(), 1);
    window = nullptr;
    std::vector<LoopbackMessage> last = receiveThrough({0xFC});
    std::erase(last, LoopbackMessage{0xF8});

    std::vector<LoopbackMessage> expected = {{0x99, 36, 0}};
    for (uint8_t channel = 0; channel < 16; ++channel) expected.push_back({uint8_t(0xB0 | channel), 123, 0});
    expected.push_back({0xFC});
    EXPECT_EQ(last, expected);
}

}  // namespace
