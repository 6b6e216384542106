// Quillbex.exe from outside: a shutdown while a worker hangs in its output
// port (a driver that never returns).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "midi/ports/loopback_pipe.h"
#include "tests/app/built_program.h"
#include "tools/program_driver/loopback_pipe_server.h"
#include "tools/program_driver/program_run.h"

namespace {

// The output pipe's far side, which accepts the program's port and then
// never reads: once its few bytes of room are full, every write the
// program makes to the port waits, inside the worker's locked pass.
class OutputThatNeverReads {
public:
    explicit OutputThatNeverReads(const std::wstring& prefix)
        : pipe_(CreateNamedPipeW(loopbackOutputPipeName(prefix).c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED,
                                 PIPE_TYPE_BYTE | PIPE_WAIT, 1, 16, 16, 0, nullptr)) {
        ConnectNamedPipe(pipe_, &connect_);
    }
    ~OutputThatNeverReads() {
        CloseHandle(pipe_);
        CloseHandle(connect_.hEvent);
    }

private:
    HANDLE pipe_;
    OVERLAPPED connect_ = {0, 0, {{0, 0}}, CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

TEST(ProgramShutdown, WorkerHungInTheOutputPortDoesNotKeepTheProgramAlive) {
    const std::wstring prefix = uniqueName(L"quillbex-hung-output");
    LoopbackPipeServer toProgram(loopbackInputPipeName(prefix), LoopbackPipeServer::Direction::toProgram);
    OutputThatNeverReads output(prefix);
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
    EXPECT_EQ(run.waitForExit(15000), 1);
    EXPECT_EQ(settingValue(utf16Lines(folder.settingsBytes()), L"MIDI Device", L"MIDIThru"), L"1")
        << "the settings are saved before the wait";
}

}  // namespace
