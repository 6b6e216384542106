// midi_monitor: plays a pattern in the real Quillbex.exe and prints every
// MIDI message the program sends, as a MIDI monitor would. It shows the
// program at work where there is no MIDI device and no one to watch the
// window: on a server, in a container, in CI.
//
//   midi_monitor [--seconds N] [--pattern FILE] PROGRAM_FOLDER
//
// PROGRAM_FOLDER is a laid-out program folder (Quillbex.exe, the language
// modules, pattern\ and patch\). The program runs in a temporary copy of it
// with a Quillbex.ini of its own, so the folder's settings stay as they are.
// The copy's settings name the loop-back ports and the pattern (the first
// in pattern\ by name unless --pattern names one); the monitor presses
// Start, prints for N seconds (10 by default), presses Stop, prints the
// silencing, and closes the window. Exit code 0 when notes were played and
// the program ended with its exit code 1 after the close.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <string>
#include <vector>

#include "common/utf8.h"
#include "midi/ports/loopback_pipe.h"
#include "resources/resource_ids.h"
#include "tools/midi_monitor/midi_message_text.h"
#include "tools/program_driver/loopback_pipe_server.h"
#include "tools/program_driver/program_run.h"

namespace fs = std::filesystem;

namespace {

constexpr char kUsage[] = "usage: midi_monitor [--seconds N] [--pattern FILE] PROGRAM_FOLDER\n";
constexpr DWORD kStopWaitMs = 1000;

struct MonitorOptions {
    double seconds = 10;
    std::wstring pattern;
    fs::path folder;
};

bool parseArguments(const std::vector<std::wstring>& arguments, MonitorOptions& options) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == L"--seconds" && hasValue) {
            wchar_t* end = nullptr;
            options.seconds = std::wcstod(arguments[++i].c_str(), &end);
            if (*end != L'\0' || !(options.seconds > 0 && options.seconds <= 3600)) return false;
        } else if (argument == L"--pattern" && hasValue) {
            options.pattern = arguments[++i];
        } else if (!argument.empty() && argument[0] != L'-' && options.folder.empty()) {
            options.folder = argument;
        } else {
            return false;
        }
    }
    return !options.folder.empty();
}

bool isNoteOn(const LoopbackMessage& m) {
    return m.size() == 3 && (m[0] & 0xF0) == 0x90 && m[2] > 0;
}

class MonitorPrinter {
public:
    explicit MonitorPrinter(LoopbackPipeServer& fromProgram) : fromProgram_(fromProgram) {}

    void startClock() { start_ = std::chrono::steady_clock::now(); }
    int notesPlayed() const { return notesPlayed_; }

    // Prints what arrives until `done` holds for a message or `timeoutMs`
    // has passed.
    template <typename Done>
    void printUntil(Done done, DWORD timeoutMs) {
        const ULONGLONG deadline = GetTickCount64() + timeoutMs;
        for (ULONGLONG now = GetTickCount64(); now < deadline; now = GetTickCount64()) {
            const std::optional<LoopbackMessage> message = fromProgram_.read(static_cast<DWORD>(deadline - now));
            if (!message) break;
            const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start_;
            std::printf("%s\n", formatMonitorLine(elapsed.count(), *message).c_str());
            std::fflush(stdout);
            if (isNoteOn(*message)) ++notesPlayed_;
            if (done(*message)) break;
        }
    }

private:
    LoopbackPipeServer& fromProgram_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    int notesPlayed_ = 0;
};

int fail(const std::string& message) {
    std::fprintf(stderr, "midi_monitor: %s\n", message.c_str());
    return 1;
}

int monitor(const MonitorOptions& options) {
    const std::vector<std::wstring> patterns = midiFileNames(options.folder / L"pattern");
    const std::wstring pattern = !options.pattern.empty() ? options.pattern
                                 : patterns.empty()       ? std::wstring()
                                                          : patterns.front();
    if (pattern.empty()) return fail("no pattern in " + wideToUtf8((options.folder / L"pattern").wstring()));
    if (!fs::is_regular_file(options.folder / L"pattern" / pattern))
        return fail("no pattern " + wideToUtf8(pattern) + " in the pattern folder");
    // A second copy would only bring the running one to the front and end.
    if (FindWindowW(L"Quillbex_MainWnd", nullptr) != nullptr)
        return fail("Quillbex is already running here; close it first");

    ProgramFolder folder(options.folder, ProgramFolder::Content::copied);
    folder.writeSettings({
        L"[Status]", L"PatternName=" + pattern,
        L"[MIDI Device]", std::wstring(L"MIDIInName=") + kLoopbackInputName,
        std::wstring(L"MIDIOutName=") + kLoopbackOutputName, L"MIDIThru=0",
        L"[MIDI Sync Mode]", L"MIDIInSyncMode=0", L"MIDIOutSyncMode=0",
        L"[Language]", L"UserInterface=English"});
    const std::wstring prefix = uniqueName(L"quillbex-monitor");
    LoopbackPipes pipes(prefix);
    if (!pipes.toProgram.listening() || !pipes.fromProgram.listening())
        return fail("the loop-back pipes could not be created");

    ProgramRun run(folder, prefix);
    if (!run.started()) return fail("Quillbex.exe could not be started");
    HWND window = run.mainWindow();
    if (window == nullptr) return fail("Quillbex showed no main window");
    if (!pipes.fromProgram.waitForConnections(1, kWindowWaitMs))
        return fail("Quillbex did not open its output port");

    std::printf("Quillbex plays %s on \"%s\"; the MIDI it sends for %g s:\n", wideToUtf8(pattern).c_str(),
                wideToUtf8(kLoopbackOutputName).c_str(), options.seconds);
    MonitorPrinter printer(pipes.fromProgram);
    printer.startClock();
    postCommand(window, IDC_START_BUTTON);
    printer.printUntil([](const LoopbackMessage&) { return false; }, static_cast<DWORD>(options.seconds * 1000));

    // Stop ends with all-notes-off on the last of the 16 channels.
    std::printf("Stop:\n");
    postCommand(window, IDC_STOP_BUTTON);
    printer.printUntil([](const LoopbackMessage& m) { return m == LoopbackMessage{0xBF, 123, 0}; }, kStopWaitMs);

    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    const int64_t exitCode = run.waitForExit();
    if (exitCode < 0) return fail("Quillbex did not end after its window was closed");
    std::printf("Quillbex closed with exit code %lld; %d notes played.\n", static_cast<long long>(exitCode),
                printer.notesPlayed());
    if (printer.notesPlayed() == 0) return fail("no note arrived from Quillbex");
    return exitCode == 1 ? 0 : fail("Quillbex ended with an unexpected exit code");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    MonitorOptions options;
    if (!parseArguments(std::vector<std::wstring>(argv + 1, argv + argc), options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    try {
        return monitor(options);
    } catch (const fs::filesystem_error& error) {
        return fail(error.what());
    }
}
