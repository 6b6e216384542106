// take_screenshots: pictures of the real program for the documentation. It
// starts Quillbex.exe in a temporary copy of a laid-out program folder, once
// per language, and saves the main window, and in English each dialog too,
// as BMP files in OUT_FOLDER:
//
//   take_screenshots PROGRAM_FOLDER OUT_FOLDER
//
// main-english.bmp, main-japanese.bmp, main-chinese.bmp, song-info.bmp,
// devices.bmp, sync-modes.bmp, language.bmp. scripts/screenshots.sh turns
// them into the PNG files under docs/screenshots.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "common/utf8.h"
#include "midi/ports/loopback_pipe.h"
#include "resources/resource_ids.h"
#include "tools/program_driver/loopback_pipe_server.h"
#include "tools/program_driver/program_run.h"
#include "tools/screenshots/window_capture.h"

namespace fs = std::filesystem;

namespace {

// A window that has just appeared is drawn a moment later under Wine.
constexpr DWORD kPaintMs = 700;

// The pattern and patch shown chosen, when the folder has them.
constexpr wchar_t kPreferredPattern[] = L"Rock 8th.mid";
constexpr wchar_t kPreferredPatch[] = L"Piano Bass Drums.mid";

struct LanguageShot {
    const wchar_t* userInterface;
    const wchar_t* file;
    bool withDialogs;
};

constexpr LanguageShot kLanguages[] = {
    {L"English", L"main-english.bmp", true},
    {L"Japanese", L"main-japanese.bmp", false},
    {L"Chinese", L"main-chinese.bmp", false},
};

// A dialog opened the way the musician opens it: a double-click on the
// pattern list, or a button; found by a control only it has.
struct DialogShot {
    const wchar_t* file;
    int control;
    int code;
    int dialogControl;
};

constexpr DialogShot kDialogs[] = {
    {L"song-info.bmp", IDC_PATTERN_LIST, LBN_DBLCLK, IDC_TITLE_TEXT},
    {L"devices.bmp", IDC_DEVICE_BUTTON, BN_CLICKED, IDC_MIDI_IN_LIST},
    {L"sync-modes.bmp", IDC_SYNC_MODE_BUTTON, BN_CLICKED, IDC_IN_SYNC_MODE_LIST},
    {L"language.bmp", IDC_LANGUAGE_BUTTON, BN_CLICKED, IDC_USER_INTERFACE_COMBO},
};

// `preferred` when the folder has it, else its first .mid file by name.
std::wstring chooseFile(const fs::path& folder, const wchar_t* preferred) {
    const std::vector<std::wstring> names = midiFileNames(folder);
    if (names.empty() || std::find(names.begin(), names.end(), preferred) != names.end()) return preferred;
    return names.front();
}

bool fail(const std::string& message) {
    std::fprintf(stderr, "take_screenshots: %s\n", message.c_str());
    return false;
}

bool save(HWND window, const fs::path& file) {
    Sleep(kPaintMs);
    if (!captureWindow(window, file)) return fail("cannot save " + wideToUtf8(file.wstring()));
    std::printf("%s\n", wideToUtf8(file.filename().wstring()).c_str());
    return true;
}

bool shootDialogs(ProgramRun& run, HWND window, const fs::path& out) {
    for (const DialogShot& shot : kDialogs) {
        postCommand(window, shot.control, shot.code);
        HWND dialog = run.dialog(shot.dialogControl);
        if (dialog == nullptr) return fail("no dialog for " + wideToUtf8(shot.file));
        if (!save(dialog, out / shot.file)) return false;
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        if (!waitUntil([&] { return !IsWindow(dialog); }, kWindowWaitMs))
            return fail("the dialog of " + wideToUtf8(shot.file) + " did not close");
    }
    return true;
}

bool shootLanguage(const fs::path& source, const LanguageShot& language, const fs::path& out) {
    ProgramFolder folder(source, ProgramFolder::Content::copied);
    // The loop-back ports stand in for devices, which Wine lacks: without
    // them a warning box would cover the window.
    folder.writeSettings({
        L"[Status]", L"PatternName=" + chooseFile(source / L"pattern", kPreferredPattern),
        L"PatchName=" + chooseFile(source / L"patch", kPreferredPatch),
        L"[MIDI Device]", std::wstring(L"MIDIInName=") + kLoopbackInputName,
        std::wstring(L"MIDIOutName=") + kLoopbackOutputName,
        L"[Language]", std::wstring(L"UserInterface=") + language.userInterface});
    const std::wstring prefix = uniqueName(L"quillbex-screenshots");
    LoopbackPipes pipes(prefix);
    ProgramRun run(folder, prefix);
    HWND window = run.mainWindow();
    if (window == nullptr) return fail("Quillbex showed no main window");
    bool ok = save(window, out / language.file) && (!language.withDialogs || shootDialogs(run, window, out));
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    if (run.waitForExit() != 1) ok = fail("Quillbex did not end cleanly");
    return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fputs("usage: take_screenshots PROGRAM_FOLDER OUT_FOLDER\n", stderr);
        return 2;
    }
    // A second copy would only bring a running one to the front and end.
    if (FindWindowW(L"Quillbex_MainWnd", nullptr) != nullptr) {
        fail("Quillbex is already running here; close it first");
        return 1;
    }
    try {
        fs::create_directories(argv[2]);
        for (const LanguageShot& language : kLanguages) {
            if (!shootLanguage(argv[1], language, argv[2])) return 1;
        }
    } catch (const fs::filesystem_error& error) {
        fail(error.what());
        return 1;
    }
    return 0;
}
