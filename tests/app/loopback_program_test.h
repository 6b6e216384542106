// The real Quillbex.exe in a temporary program folder, its MIDI ports the
// loop-back pipes named by `prefix`: a test adds its patterns, then starts
// the program on its settings lines; tear-down closes it by its close box and
// expects the exit of a run of the main window.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tests/app/built_program.h"
#include "tests/support/smf_builder.h"
#include "tools/program_driver/loopback_pipe_server.h"
#include "tools/program_driver/program_run.h"

// A bar of bass drum and snare at 480 ticks per quarter note.
inline std::vector<uint8_t> bassAndSnareBar() {
    SmfBuilder smf(480);
    smf.track()
        .noteOn(0, 9, 36, 100).noteOn(120, 9, 36, 0)
        .noteOn(480, 9, 38, 100).noteOn(600, 9, 38, 0)
        .endOfTrack(1920);
    return smf.bytes();
}

class LoopbackProgramTest : public ::testing::Test {
protected:
    explicit LoopbackProgramTest(const wchar_t* name) : prefix(uniqueName(name)), pipes{prefix} {}

    // Writes `Quillbex.ini`, starts the program and waits for its window and
    // for both loop-back ports to connect.
    void startProgram(const std::vector<std::wstring>& settings) {
        folder.writeSettings(settings);
        run = std::make_unique<ProgramRun>(folder, prefix);
        window = run->mainWindow();
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(pipes.toProgram.waitForConnections(1, kWindowWaitMs));
        ASSERT_TRUE(pipes.fromProgram.waitForConnections(1, kWindowWaitMs));
    }

    void TearDown() override {
        if (!run) return;
        if (window) PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_EQ(run->waitForExit(), 1);
    }

    const std::wstring prefix;
    LoopbackPipes pipes;
    ProgramFolder folder{builtProgramFolder()};
    std::unique_ptr<ProgramRun> run;
    HWND window = nullptr;
};
