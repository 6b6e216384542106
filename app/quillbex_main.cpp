// Quillbex.exe: start-up, the modal run of the main window, and shutdown.
#include <windows.h>
#include <commctrl.h>

#include <iterator>
#include <optional>
#include <string>

#include "app/app_dir.h"
#include "app/language_module.h"
#include "app/main_window_class.h"
#include "app/main_window_shell.h"
#include "app/single_instance.h"
#include "app/worker_start.h"
#include "common/aside_thread.h"
#include "common/bounded_copy.h"
#include "engine/player_state.h"
#include "engine/transport.h"
#include "resources/resource_ids.h"
#include "runtime/workers.h"
#include "settings/settings_keys.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/settings_save_retry.h"

namespace {

// The longest path Windows knows (with the "\\?\" prefix).
constexpr size_t kLongestPath = 32768;

// The program file's full path, however long (up to the longest path
// Windows has); empty when it cannot be read.
std::wstring programFileName() {
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(static_cast<HMODULE>(playerState.shell.appInstance),
                                                name.data(), static_cast<DWORD>(name.size()));
        if (length == 0) return {};
        if (length < name.size()) {
            name.resize(length);
            return name;
        }
        if (name.size() >= kLongestPath) return {};
        name.resize(name.size() * 2);  // cut: read again into more room
    }
}

// Sets appDir from the program file's path; false after a box when the path
// cannot be read or the folder does not fit, since a cut path would name
// another folder (and another settings file).
bool findAppDir(const std::wstring& programFile) {
    const std::optional<std::wstring> appDir =
        programFile.empty() ? std::nullopt : appDirOfModule(programFile);
    if (!appDir) {
        showMessage(nullptr, L"The program folder's path is too long:", programFile.c_str(),
                    L"Quillbex", MB_ICONERROR);
        return false;
    }
    copyTruncated(playerState.shell.appDir, *appDir);
    return true;
}

// The main window's template holds up-down controls and a scroll bar: their
// window classes must be registered before the dialog is created.
void registerCommonControls() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
}

// How long a worker stuck in a driver call gets to let the lock go, so that
// the output can still be silenced, before the process ends without it.
constexpr DWORD kStuckSilenceWaitMs = 1000;

// Ends the process at once. ExitProcess would run the drivers' unload code,
// which can hang on a driver whose thread was stopped inside it; this runs
// none, and ends a stuck worker with everything else.
[[noreturn]] void endProcessNow(UINT exitCode) {
    TerminateProcess(GetCurrentProcess(), exitCode);
    ExitProcess(exitCode);  // not reached: TerminateProcess on ourselves returns only on failure
}

// Silences the output as Stop does, from a thread of its own and for a
// bounded time: a worker stuck in a driver call may hold the lock, and may
// let it go (a driver that returns late), in which case the note-offs and
// all-notes-off still go out; one that never does is left behind.
void silenceAroundAStuckWorker() {
    HANDLE silenced = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (silenced == nullptr) return;
    if (!runAside([silenced] {
            stopPlayback();
            SetEvent(silenced);
        }))
        return;
    // The event is not closed: the thread may still set it until the end.
    WaitForSingleObject(silenced, kStuckSilenceWaitMs);
}

// Shutdown: the file is rewritten first, since it needs nothing of what
// follows; then the workers are waited for (at most about a second) and
// joined. The output is silenced as Stop does once no worker can send
// another note, so no note hangs and a slave stops; only then are the
// objects released and the ports closed. A file that could not be written
// is named in a box last, once the player is silent. A worker that did not
// stop in time may hold the lock inside a driver call: the output is
// silenced if it lets the lock go in time, and the process then ends at
// once, which ends that worker too; nothing is released under it.
void shutDown(const std::wstring& settingsPath) {
    const bool saved = writeSettingsFile(settingsPath.c_str()) == 1;
    if (!stopWorkerThreads()) {
        silenceAroundAStuckWorker();
        if (!saved) askToRetrySettingsSave(settingsPath.c_str());
        endProcessNow(1);
    }
    stopPlayback();
    releasePlayerObjects();
    if (!saved) askToRetrySettingsSave(settingsPath.c_str());
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previousInstance*/, PWSTR commandLine,
                    int /*showCommand*/) {
    playerState.shell.appInstance = instance;
    const std::wstring programFile = programFileName();
    if (!findAppDir(programFile)) return 0;
    const std::wstring settingsPath = settingsPathOf(playerState.shell.appDir);
    loadSettings(settingsPath.c_str());

    if (!loadLanguageModule(folderOfModule(programFile))) return 0;
    HINSTANCE module = static_cast<HINSTANCE>(playerState.shell.resourceModule);
    LoadStringW(module, IDS_CAPTION, playerState.shell.caption,
                static_cast<int>(std::size(playerState.shell.caption)));
    if (registerMainWindowClass(module) == 0) {
        freeLanguageModule();
        return 0;
    }
    if (!activateRunningInstance(commandLine)) {
        freeLanguageModule();
        return 0;
    }

    registerCommonControls();
    setWorkerStarter([] { return startWorkersOrEndRun(startWorkerThreads); });
    // Returns when the main window has been destroyed, or at once when it
    // could not be created; either way the settings are saved.
    DialogBoxParamW(module, MAKEINTRESOURCEW(IDD_MAIN_WINDOW), nullptr,
                    reinterpret_cast<DLGPROC>(mainWindowShellProc), 0);

    if (workerStartFailed()) {
        // A failed start-up: nothing was changed yet, so nothing is saved.
        if (!stopWorkerThreads()) endProcessNow(0);
        releasePlayerObjects();
        return 0;
    }
    shutDown(settingsPath);
    return 1;
}
