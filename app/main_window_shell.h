// The main window's procedure as start-up registers it: the two messages
// that belong to start-up and shutdown are handled here, everything else by
// the main window's own handler (ui/main_window.h). It serves both as the
// window class's procedure and as the dialog procedure of the modal run.
#pragma once

#include <windows.h>

// A second copy of the program sends this to the running copy's main window.
inline constexpr UINT kActivateInstanceMessage = WM_USER + 7;  // 1031

LRESULT CALLBACK mainWindowShellProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// A second copy asked to be replaced by this one: restore the window if it
// is minimised and bring it to the front. Also while the window is still
// being initialised.
void onActivateInstance(HWND window);

// The main window is going away: commands are refused from now on, the
// workers leave their loops on their next pass, and the modal run ends with
// result 1. Start-up then saves the settings and releases the rest.
void onMainWindowDestroy(HWND window);
