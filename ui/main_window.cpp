#include "ui/main_window.h"

#include "ui/tempo_controls.h"
#include "ui/window_player_ui.h"

namespace {

WindowPlayerUi windowUi;

LRESULT onCreate() {
    return 0;
}

// The dialog draws nothing itself; a resize repaints the whole background.
LRESULT onSize(HWND window) {
    InvalidateRect(window, nullptr, TRUE);
    return 0;
}

LRESULT onPaint(HWND window) {
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    EndPaint(window, &paint);
    return 0;
}

// Returning 1 lets the dialog manager focus the first tab stop.
LRESULT onInitDialog(HWND window) {
    initMainWindow(window);
    return 1;
}

LRESULT onCommand(HWND window, WPARAM wParam) {
    onMainWindowCommand(window, LOWORD(wParam), HIWORD(wParam));
    return 0;
}

// The tempo scroll bar, served whether or not the window is ready. A
// notification without a control (the frame's own scroll bar, which this
// window does not have) names no tempo control and is dropped.
LRESULT onHScroll(HWND window, WPARAM wParam, LPARAM lParam) {
    HWND scrollBar = reinterpret_cast<HWND>(lParam);
    if (!scrollBar) return 0;
    scrollTempo(window, scrollBar, LOWORD(wParam), HIWORD(wParam));
    return 0;
}

}  // namespace

WindowPlayerUi& mainWindowUi() {
    return windowUi;
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: return onCreate();
    case WM_INITDIALOG: return onInitDialog(window);
    case WM_SIZE: return onSize(window);
    case WM_PAINT: return onPaint(window);
    case WM_COMMAND: return onCommand(window, wParam);
    case WM_HSCROLL: return onHScroll(window, wParam, lParam);
    case kPostedWarningMessage: windowUi.showPostedWarning(wParam, lParam); return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}
