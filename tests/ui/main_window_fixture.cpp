#include "tests/ui/main_window_fixture.h"

#include <windows.h>
#include <commctrl.h>

#include <cwchar>
#include <fstream>
#include <thread>

#include "engine/player_state.h"
#include "midi/ports/virtual_midi.h"
#include "resources/resource_ids.h"
#include "runtime/workers.h"
#include "tests/support/player_setup.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "tests/support/language_module_files.h"

namespace {

std::vector<std::wstring> shownBoxes;

int recordBox(HWND, const wchar_t* text, const wchar_t*, UINT) {
    shownBoxes.push_back(text ? text : L"");
    return IDOK;
}

// What the program's shell adds around mainWindowProc: the destruction
// clears uiReady and mainWindow, which stops the workers. The window here is
// modeless, so there is no modal loop to end.
LRESULT CALLBACK testShellProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        playerState.shell.uiReady = 0;
        playerState.shell.mainWindow = nullptr;
        return 0;
    }
    return mainWindowProc(window, message, wParam, lParam);
}

HMODULE englishModule() {
    static const HMODULE module = [] {
        HMODULE loaded = LoadLibraryW(testLanguageModulePath(L"QuillbexEnu.dll").c_str());
        registerTestMainWindowClass(loaded, testShellProc);
        return loaded;
    }();
    return module;
}

struct DialogWatch {
    HWND owner = nullptr;
    int markerId = 0;
    OwnedDialog* seen = nullptr;
    bool closed = false;
};
DialogWatch dialogWatch;

// Every dialog the main window runs is closed, so a wrong one cannot leave
// the test stuck in its modal loop; only the one with the marker control
// counts as shown.
BOOL CALLBACK closeWatchedDialog(HWND window, LPARAM) {
    if (GetWindow(window, GW_OWNER) != dialogWatch.owner || !IsWindowVisible(window)) return TRUE;
    if (HWND marker = GetDlgItem(window, dialogWatch.markerId)) {
        wchar_t text[256] = {};
        GetWindowTextW(marker, text, 256);
        *dialogWatch.seen = {true, text, playerState.shell.infoTarget};
    }
    dialogWatch.closed = true;
    PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    return FALSE;
}

// A thread timer: it runs inside whatever modal loop the thread is in.
void CALLBACK lookForWatchedDialog(HWND, UINT, UINT_PTR, DWORD) {
    if (!dialogWatch.closed) EnumThreadWindows(GetCurrentThreadId(), closeWatchedDialog, 0);
}

void copyText(wchar_t* field, const wchar_t* text) {
    std::wcsncpy(field, text, kTextSize - 1);
    field[kTextSize - 1] = L'\0';
}

}  // namespace

void MainWindowTest::SetUp() {
    resetPlayerState();
    PlayerState& p = playerState;
    p.shell.resourceModule = englishModule();
    ASSERT_NE(p.shell.resourceModule, nullptr) << "QuillbexEnu.dll not found beside the tests";

    static int folderCount = 0;
    appDir_ = std::filesystem::temp_directory_path() /
              ("quillbex-window-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++folderCount));
    std::filesystem::remove_all(appDir_);
    std::filesystem::create_directories(appDir_ / "pattern");
    std::filesystem::create_directories(appDir_ / "patch");
    std::wcsncpy(p.shell.appDir, appDir_.wstring().c_str(), kAppDirSize - 1);

    LoadStringW(englishModule(), IDS_CAPTION, p.shell.caption, kTextSize);
    p.settings.tempo = 500000;
    turnOnAllDrumGroups();
    copyText(p.settings.textEncoding, L"1252-Western European");
    VirtualMIDI_CreateInput(kInputName);
    VirtualMIDI_CreateOutput(kOutputName);
    copyText(p.settings.midiInName, kInputName);
    copyText(p.settings.midiOutName, kOutputName);

    shownBoxes.clear();
    setMessageBoxFunction(recordBox);
    setWorkerStarter(startWorkerThreads);
}

void MainWindowTest::TearDown() {
    if (window_ && IsWindow(window_)) DestroyWindow(window_);
    shutDown();
    VirtualMIDI_RemoveAll();
    setMessageBoxFunction(nullptr);
    resetPlayerState();
    std::error_code ignored;
    std::filesystem::remove_all(appDir_, ignored);
}

void MainWindowTest::shutDown() {
    stopWorkerThreads();
    releasePlayerObjects();
}

void MainWindowTest::openWindow() {
    window_ = CreateDialogParamW(englishModule(), MAKEINTRESOURCEW(IDD_MAIN_WINDOW), nullptr,
                                 reinterpret_cast<DLGPROC>(testShellProc), 0);
    ASSERT_NE(window_, nullptr);
    ShowWindow(window_, SW_SHOW);
}

void MainWindowTest::writeSong(const char* folder, const std::wstring& name, const SmfBuilder& smf) {
    const Bytes bytes = smf.bytes();
    std::ofstream out(appDir_ / folder / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void MainWindowTest::command(int id, int code) {
    SendMessageW(window_, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control(id)));
}

void MainWindowTest::click(int id) {
    SendMessageW(control(id), BM_CLICK, 0, 0);
}

bool MainWindowTest::pumpUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (done()) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

OwnedDialog MainWindowTest::closeDialogOpenedBy(const std::function<void()>& open, int markerId) {
    OwnedDialog seen;
    dialogWatch = {window_, markerId, &seen, false};
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, lookForWatchedDialog);
    open();
    // The dialog's Cancel has ended its modal loop once this returns true.
    pumpUntil([] { return dialogWatch.closed; });
    KillTimer(nullptr, timer);
    dialogWatch = {};
    return seen;
}

void MainWindowTest::playIntoInput(const Bytes& message) {
    ASSERT_TRUE(VirtualMIDI_Inject(kInputName, message.data(), static_cast<int32_t>(message.size())));
}

std::vector<Bytes> MainWindowTest::sent() {
    std::vector<Bytes> messages;
    for (const VirtualMIDIMessage& message : VirtualMIDI_Sent(kOutputName)) messages.push_back(message.bytes);
    return messages;
}

void MainWindowTest::clearSent() {
    VirtualMIDI_ClearSent(kOutputName);
}

std::vector<std::wstring> MainWindowTest::boxes() {
    return shownBoxes;
}

std::wstring MainWindowTest::moduleString(int id) {
    wchar_t text[256] = {};
    LoadStringW(englishModule(), static_cast<UINT>(id), text, 256);
    return text;
}

std::wstring MainWindowTest::controlText(int id) const {
    wchar_t text[256] = {};
    GetDlgItemTextW(window_, id, text, 256);
    return text;
}

SmfBuilder oneBarPattern(const std::string& title) {
    SmfBuilder smf(480);
    SmfTrackBuilder& track = smf.track();
    if (!title.empty()) track.trackName(0, title);
    for (int beat = 0; beat < 4; ++beat) track.noteOn(beat * 480, 9, 36, 100).noteOff(beat * 480 + 240, 9, 36);
    track.endOfTrack(1920);
    return smf;
}
