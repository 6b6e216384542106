// Quillbex.exe from outside: a shutdown while a worker hangs in its output
// port (a driver that never returns, or returns late).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "midi/ports/loopback_pipe.h"
#include "tests/app/built_program.h"
#include "tools/program_driver/loopback_pipe_server.h"
#include "tools/program_driver/program_run.h"

namespace {

// The output pipe's far side, which accepts the program's port and does not
// read: once its few bytes of room are full, every write the program makes
// to the port waits, inside the worker's locked pass.
class OutputThatStalls {
public:
    explicit OutputThatStalls(const std::wstring& prefix)
        : pipe_(CreateNamedPipeW(loopbackOutputPipeName(prefix).c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED,
                                 PIPE_TYPE_BYTE | PIPE_WAIT, 1, 16, 16, 0, nullptr)) {
        ConnectNamedPipe(pipe_, &connect_);
    }
    ~OutputThatStalls() {
        if (reader_.joinable()) reader_.join();
        CloseHandle(pipe_);
        CloseHandle(connect_.hEvent);
    }
    // Reads from `stallMs` on, as a driver that returns late, until the
    // program ends; bytes() is what came.
    void readAfter(DWORD stallMs) {
        reader_ = std::thread([this, stallMs] {
            Sleep(stallMs);
            uint8_t buffer[256];
            DWORD got = 0;
            while ((ReadFile(pipe_, buffer, sizeof buffer, nullptr, &connect_) || GetLastError() == ERROR_IO_PENDING) &&
                   GetOverlappedResult(pipe_, &connect_, &got, TRUE))
                bytes_.insert(bytes_.end(), buffer, buffer + got);
        });
    }
    std::vector<uint8_t> bytes() {
        if (reader_.joinable()) reader_.join();
        return bytes_;
    }

private:
    HANDLE pipe_;
    OVERLAPPED connect_ = {0, 0, {{0, 0}}, CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::thread reader_;
    std::vector<uint8_t> bytes_;
};

// A worker stuck past the shutdown's wait does not keep the program alive;
// one whose driver returns a little later still lets Stop's all-notes-off
// out before the end.
TEST(ProgramShutdown, WorkerHungInTheOutputPortDoesNotKeepTheProgramAlive) {
    for (const DWORD readsAfterCloseMs : {DWORD{INFINITE}, DWORD{1500}}) {
        SCOPED_TRACE(readsAfterCloseMs);
        const std::wstring prefix = uniqueName(L"quillbex-hung-output");
        LoopbackPipeServer toProgram(loopbackInputPipeName(prefix), LoopbackPipeServer::Direction::toProgram);
        OutputThatStalls output(prefix);
        ProgramFolder folder{builtProgramFolder()};
        folder.writeSettings({L"[MIDI Device]", std::wstring(L"MIDIInName=") + kLoopbackInputName,
                              std::wstring(L"MIDIOutName=") + kLoopbackOutputName, L"MIDIThru=1",
                              L"[Language]", L"UserInterface=English"});
        ProgramRun run(folder, prefix);
        HWND window = run.mainWindow();
        ASSERT_NE(window, nullptr);
        // Passed through to the output until the pipe is full and thru waits.
        // Controllers, not notes: a note would start the pattern (sync start),
        // and the user-interface thread would then wait for the lock too.
        for (int i = 0; i < 200; ++i) ASSERT_TRUE(toProgram.write({0xB0, 7, 100}));
        Sleep(500);

        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        if (readsAfterCloseMs != INFINITE) output.readAfter(readsAfterCloseMs);
        EXPECT_EQ(run.waitForExit(15000), 1);
        EXPECT_EQ(settingValue(utf16Lines(folder.settingsBytes()), L"MIDI Device", L"MIDIThru"), L"1")
            << "the settings are saved before the wait";
        const std::vector<uint8_t> bytes = output.bytes();
        const uint8_t lastAllNotesOff[3] = {0xBF, 123, 0};
        EXPECT_EQ(std::search(bytes.begin(), bytes.end(), lastAllNotesOff, lastAllNotesOff + 3) != bytes.end(),
                  readsAfterCloseMs != INFINITE);
    }
}

}  // namespace
