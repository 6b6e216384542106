#include "ui/settings_save_retry.h"

#include <windows.h>

#include <iterator>
#include <string>

#include "engine/player_state.h"
#include "resources/resource_ids.h"
#include "settings/settings_keys.h"
#include "ui/message_box.h"

namespace {

// The file's path, and where a failed save left this run's settings when
// it kept them beside the file.
std::wstring whereTheSettingsAre(const wchar_t* path) {
    std::wstring detail = path;
    const std::wstring kept = settingsKeptBeside();
    if (kept.empty()) return detail;
    wchar_t keptText[256] = {};
    LoadStringW(static_cast<HINSTANCE>(playerState.shell.resourceModule), IDS_SETTINGS_KEPT_BESIDE, keptText,
                static_cast<int>(std::size(keptText)));
    return detail + L"\n" + keptText + L"\n" + kept;
}

}  // namespace

void askToRetrySettingsSave(const wchar_t* path) {
    // The main window's end posted a quit message, which would close the
    // box as soon as it opened; the program ends after the box anyway.
    MSG quit;
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    constexpr UINT kBoxType = MB_RETRYCANCEL | MB_ICONWARNING | MB_SETFOREGROUND;
    do {
        const std::wstring detail = whereTheSettingsAre(path);
        if (showStringMessage(nullptr, IDS_SETTINGS_NOT_SAVED, detail.c_str(), kBoxType) != IDRETRY) return;
    } while (writeSettingsFile(path) != 1);
}
