#include "app/main_window_shell.h"

#include "engine/player_state.h"
#include "ui/center_on_owner.h"
#include "ui/main_window.h"

LRESULT CALLBACK mainWindowShellProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kActivateInstanceMessage:
        onActivateInstance(window);
        return 0;
    case WM_INITDIALOG: {
        const LRESULT result = mainWindowProc(window, message, wParam, lParam);
        keepOnWorkArea(window);
        return result;
    }
    case WM_DESTROY:
        onMainWindowDestroy(window);
        return 0;
    default:
        return mainWindowProc(window, message, wParam, lParam);
    }
}

void onActivateInstance(HWND window) {
    if (IsIconic(window)) ShowWindowAsync(window, SW_RESTORE);
    SetForegroundWindow(window);
}

void onMainWindowDestroy(HWND window) {
    playerState.shell.uiReady = 0;
    playerState.shell.mainWindow = nullptr;
    EndDialog(window, 1);
    // The exit code is the entry point's; the quit only ends the message loop.
    PostQuitMessage(0);
}
