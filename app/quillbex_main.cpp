// Quillbex.exe: start-up, the modal run of the main window, and shutdown.
#include <windows.h>
#include <commctrl.h>

#include <cwchar>
#include <iterator>
#include <string>

#include "app/app_dir.h"
#include "app/language_module.h"
#include "app/main_window_class.h"
#include "app/main_window_shell.h"
#include "app/single_instance.h"
#include "app/workers.h"
#include "engine/player_state.h"
#include "engine/transport.h"
#include "resources/resource_ids.h"
#include "settings/settings_keys.h"
#include "ui/main_window.h"
#include "ui/settings_save_retry.h"

namespace {

void findAppDir() {
    wchar_t moduleFileName[kAppDirSize] = {};
    GetModuleFileNameW(static_cast<HMODULE>(playerState.appInstance), moduleFileName,
                       static_cast<DWORD>(std::size(moduleFileName)));
    const std::wstring appDir = appDirOfModule(moduleFileName);
    std::wcsncpy(playerState.appDir, appDir.c_str(), std::size(playerState.appDir) - 1);
    playerState.appDir[std::size(playerState.appDir) - 1] = L'\0';
}

// The main window's template holds up-down controls and a scroll bar: their
// window classes must be registered before the dialog is created.
void registerCommonControls() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
}

// Shutdown: the file is rewritten first, since it needs nothing of what
// follows; then the workers are waited for (at most about a second) and
// joined. The output is silenced as Stop does once no worker can send
// another note, so no note hangs and a slave stops; only then are the
// objects released and the ports closed. A file that could not be written
// is named in a box last, once the player is silent.
void shutDown(const std::wstring& settingsPath) {
    const bool saved = writeSettingsFile(settingsPath.c_str()) == 1;
    stopWorkerThreads();
    stopPlayback();
    releasePlayerObjects();
    if (!saved) askToRetrySettingsSave(settingsPath.c_str());
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previousInstance*/, PWSTR commandLine,
                    int /*showCommand*/) {
    playerState.appInstance = instance;
    findAppDir();
    const std::wstring settingsPath = settingsPathOf(playerState.appDir);
    loadSettings(settingsPath.c_str());

    if (!loadLanguageModule()) return 0;
    HINSTANCE module = static_cast<HINSTANCE>(playerState.resourceModule);
    LoadStringW(module, IDS_CAPTION, playerState.caption,
                static_cast<int>(std::size(playerState.caption)));
    if (registerMainWindowClass(module) == 0) {
        freeLanguageModule();
        return 0;
    }
    if (!activateRunningInstance(commandLine)) {
        freeLanguageModule();
        return 0;
    }

    registerCommonControls();
    setWorkerStarter(startWorkerThreads);
    // Returns when the main window has been destroyed, or at once when it
    // could not be created; either way the settings are saved.
    DialogBoxParamW(module, MAKEINTRESOURCEW(IDD_MAIN_WINDOW), nullptr,
                    reinterpret_cast<DLGPROC>(mainWindowShellProc), 0);

    shutDown(settingsPath);
    return 1;
}
