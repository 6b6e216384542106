// The engine's view of the main window (PlayerUi): warnings as message
// boxes owned by the window, with the texts of the language module, and
// commands posted to it.
#pragma once

#include <windows.h>

#include "engine/player_ui.h"

// A warning posted from another thread: wParam the string, lParam the
// detail, a std::wstring the receiver deletes.
inline constexpr UINT kPostedWarningMessage = WM_APP + 1;

// The language module's string for a warning of the engine.
int32_t warningStringId(Warning warning);

class WindowPlayerUi : public PlayerUi {
public:
    // The window the calls act on; null detaches.
    void attach(HWND window) { window_ = window; }
    HWND window() const { return window_; }

    // Safe from any thread and while the player's lock is held: it only
    // posts a WM_COMMAND with notification code 0 and lParam 0.
    void postCommand(WindowCommand command) override;
    void showWarning(Warning warning, const wchar_t* detail) override;
    // Posts kPostedWarningMessage; the window shows the box through
    // showPostedWarning.
    void postWarning(Warning warning, const wchar_t* detail) override;

    // The warning a song load returned, if any, with the file's path.
    void showSongWarning(const SongLoadResult& result);

    // kPostedWarningMessage arrived: shows the box and frees the detail.
    void showPostedWarning(WPARAM wParam, LPARAM lParam);

private:
    HWND window_ = nullptr;
};
