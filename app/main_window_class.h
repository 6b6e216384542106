// The window class of the main window. The main window's dialog template
// names this class, so the main window is a window of it and a second copy
// of the program finds the running one by the class name.
#pragma once

#include <windows.h>

inline constexpr wchar_t kMainWindowClassName[] = L"Quillbex_MainWnd";

// Registers the class with `module` (the language module, which holds the
// template) as its instance and icon 50 of `module` as its icon. Returns the
// class atom, 0 when the registration failed.
ATOM registerMainWindowClass(HINSTANCE module);
