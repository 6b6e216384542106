// Quillbex.exe following MIDI time code on the loop-back input while it
// sends MIDI clock on the loop-back output: a master that keeps locating
// (a full frame every 50 ms, each to a random time) must not make the clock
// race, and once the input is quiet the clock stands.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "midi/ports/loopback_pipe.h"
#include "resources/resource_ids.h"
#include "tests/app/loopback_program_test.h"
#include "tests/support/smf_builder.h"
#include "tools/program_driver/loopback_pipe_server.h"
#include "tools/program_driver/program_run.h"

namespace {

constexpr int kFullFrames = 40;
constexpr DWORD kFullFrameGapMs = 50;
// After the last full frame: a moment for what is under way, then a second
// in which the clock, with no code coming, stands and sends no pulse.
constexpr DWORD kSettleMs = 300;
constexpr DWORD kQuietMs = 1000;
constexpr DWORD kStopWaitMs = 1000;
// 120 beats per minute: 48 pulses a second.
constexpr int kPulsesPerSecond = 48;
constexpr int kPulsesPerBeat = 24;

// F0 7F 7F 01 01 hh mm ss ff F7 at a time drawn from `seed`, any rate.
LoopbackMessage randomFullFrame(uint32_t& seed) {
    auto next = [&seed](uint32_t range) {
        seed = seed * 1103515245 + 12345;
        return static_cast<uint8_t>((seed >> 8) % range);
    };
    const uint8_t rate = next(4);
    const uint8_t hours = next(24);
    const uint8_t minutes = next(60);
    const uint8_t seconds = next(60);
    const uint8_t frames = next(24);
    return {0xF0, 0x7F, 0x7F, 0x01, 0x01, static_cast<uint8_t>((rate << 5) | hours),
            minutes, seconds, frames, 0xF7};
}

// The clock pulses the program sends until `until` (GetTickCount64);
// `write` is called between reads to send what falls due.
template <typename Write>
int pulsesUntil(LoopbackPipes& pipes, ULONGLONG until, Write write) {
    int pulses = 0;
    for (ULONGLONG now = GetTickCount64(); now < until; now = GetTickCount64()) {
        write(now);
        if (std::optional<LoopbackMessage> message = pipes.fromProgram.read(5))
            pulses += *message == LoopbackMessage{0xF8};
    }
    return pulses;
}

TEST(ProgramTimeCode, AStreamOfFullFramesNeitherRacesTheClockNorDelaysStop) {
    const std::wstring prefix = uniqueName(L"quillbex-timecode");
    LoopbackPipes pipes{prefix};
    ProgramFolder folder{builtProgramFolder()};
    folder.addPattern(L"Beat.mid", bassAndSnareBar());
    folder.writeSettings({
        L"[Status]", L"PatternName=Beat.mid", L"TempoMode=1", L"Tempo=500000",
        L"[MIDI Device]", std::wstring(L"MIDIInName=") + kLoopbackInputName,
        std::wstring(L"MIDIOutName=") + kLoopbackOutputName, L"MIDIThru=0",
        L"[MIDI Sync Mode]", L"MIDIInSyncMode=2", L"MIDIOutSyncMode=1",
        L"[Language]", L"UserInterface=English"});
    ProgramRun run(folder, prefix);
    HWND window = run.mainWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(pipes.toProgram.waitForConnections(1, kWindowWaitMs));
    ASSERT_TRUE(pipes.fromProgram.waitForConnections(1, kWindowWaitMs));

    clickButton(window, IDC_START_BUTTON);
    const auto started = pipes.fromProgram.readUntil(
        [](const std::vector<LoopbackMessage>& so) { return !so.empty() && so.back() == LoopbackMessage{0xFA}; },
        kWindowWaitMs);
    ASSERT_FALSE(started.empty());
    ASSERT_EQ(started.back(), LoopbackMessage{0xFA});

    const ULONGLONG begin = GetTickCount64();
    const ULONGLONG lastFrameAt = begin + (kFullFrames - 1) * kFullFrameGapMs;
    const ULONGLONG quietFrom = lastFrameAt + kSettleMs;
    uint32_t seed = 2026;
    int sent = 0;
    const int locating = pulsesUntil(pipes, quietFrom, [&](ULONGLONG now) {
        if (sent < kFullFrames && now >= begin + sent * kFullFrameGapMs) {
            ASSERT_TRUE(pipes.toProgram.write(randomFullFrame(seed)));
            ++sent;
        }
    });
    const int quiet = pulsesUntil(pipes, quietFrom + kQuietMs, [](ULONGLONG) {});

    // While it locates, at most what the tempo gives plus a beat for each
    // locate; none once the input is quiet.
    EXPECT_LE(locating, static_cast<int>((quietFrom - begin) * kPulsesPerSecond / 1000) +
                            kFullFrames * kPulsesPerBeat);
    EXPECT_EQ(quiet, 0);

    clickButton(window, IDC_STOP_BUTTON);
    const auto stopped = pipes.fromProgram.readUntil(
        [](const std::vector<LoopbackMessage>& so) { return !so.empty() && so.back() == LoopbackMessage{0xFC}; },
        kStopWaitMs);
    EXPECT_TRUE(!stopped.empty() && stopped.back() == LoopbackMessage{0xFC})
        << "no MIDI Stop within " << kStopWaitMs << " ms of the click";

    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(run.waitForExit(), 1);
}

}  // namespace
