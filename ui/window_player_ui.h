// The engine's view of the main window (PlayerUi) over the real controls of
// the dialog: scroll bar, texts, check boxes, radio buttons and list boxes by
// identifier, warnings as message boxes owned by the window, and commands
// posted to it.
#pragma once

#include <windows.h>

#include "engine/player_ui.h"

// A warning posted from another thread: wParam the string, lParam the
// detail, a std::wstring the receiver deletes.
inline constexpr UINT kPostedWarningMessage = WM_APP + 1;

class WindowPlayerUi : public PlayerUi {
public:
    // The dialog whose controls the calls act on; null detaches.
    void attach(HWND window) { window_ = window; }
    HWND window() const { return window_; }

    // Safe from any thread and while the player's lock is held: it only
    // posts a WM_COMMAND with notification code 0 and lParam 0.
    void postCommand(int32_t commandId) override;
    void showWarning(int32_t stringId, const wchar_t* detail) override;
    // Posts kPostedWarningMessage; the window shows the box through
    // showPostedWarning.
    void postWarning(int32_t stringId, const wchar_t* detail) override;

    // kPostedWarningMessage arrived: shows the box and frees the detail.
    void showPostedWarning(WPARAM wParam, LPARAM lParam);

    int32_t getScrollPosition(int32_t controlId) override;
    void setScrollRange(int32_t controlId, int32_t minimum, int32_t maximum) override;
    void setScrollPosition(int32_t controlId, int32_t position) override;
    void setControlText(int32_t controlId, const wchar_t* text) override;
    void enableControl(int32_t controlId, bool enabled) override;
    void showControl(int32_t controlId, bool visible) override;
    void setChecked(int32_t controlId, bool checked) override;

    int32_t findListEntry(int32_t listId, const wchar_t* text) override;
    void selectListEntry(int32_t listId, int32_t index) override;
    int32_t getSelectedText(int32_t listId, wchar_t* buffer, int32_t size) override;

private:
    HWND control(int32_t controlId) const { return GetDlgItem(window_, controlId); }

    HWND window_ = nullptr;
};
