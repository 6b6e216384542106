#include "ui/settings_save_retry.h"

#include <windows.h>

#include "resources/resource_ids.h"
#include "settings/settings_keys.h"
#include "ui/message_box.h"

void askToRetrySettingsSave(const wchar_t* path) {
    // The main window's end posted a quit message, which would close the
    // box as soon as it opened; the program ends after the box anyway.
    MSG quit;
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    constexpr UINT kBoxType = MB_RETRYCANCEL | MB_ICONWARNING | MB_SETFOREGROUND;
    do {
        if (showStringMessage(nullptr, IDS_SETTINGS_NOT_SAVED, path, kBoxType) != IDRETRY) return;
    } while (writeSettingsFile(path) != 1);
}
