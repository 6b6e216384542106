// MainWindow: the player's control panel, a dialog of the class
// "Quillbex_MainWnd" made from template 8193 of the language module.
//
// Start-up registers the class with a shell procedure that handles the
// single-instance activation (1031) and WM_DESTROY itself and passes every
// other message to mainWindowProc; the same shell procedure is the dialog
// procedure. Everything here runs on the user-interface thread.
#pragma once

#include <windows.h>

class WindowPlayerUi;

// The main window's message handler. Messages it does not handle go to
// DefWindowProcW, so the frame's close box destroys the window.
LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The three worker threads belong to start-up and shutdown, which also
// stop and join them; start-up hands the main window the operation that
// starts them, the last step before the window is ready for commands.
using WorkerStarter = bool (*)();
void setWorkerStarter(WorkerStarter startWorkers);

// WM_INITDIALOG: fills the controls from the settings, loads the stored
// pattern, creates the clocks, mirrors and ports, starts the worker threads,
// and last marks the window ready for commands.
void initMainWindow(HWND window);

// Empties `list` and adds the names of the files `pattern` ("pattern\*.mid",
// "patch\*.mid") finds below the program folder, in the order the folder
// search returns them.
void fillFileList(HWND list, const wchar_t* pattern);
// Selects the entry of `list` that reads `name` exactly, letter case aside;
// false when there is none.
bool selectFileListEntry(HWND list, const wchar_t* name);

// WM_COMMAND: `id` is the control or command, `code` the notification code.
void onMainWindowCommand(HWND window, int id, int code);

// The engine's view of the main window; playerState.shell.mainWindow points to it
// from the start of initMainWindow until the window is destroyed. It lives as
// long as the program, so workers still leaving may use it.
WindowPlayerUi& mainWindowUi();
