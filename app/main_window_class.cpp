#include "app/main_window_class.h"

#include "app/main_window_shell.h"
#include "resources/resource_ids.h"

ATOM registerMainWindowClass(HINSTANCE module) {
    WNDCLASSW windowClass = {};
    windowClass.style = 0;
    windowClass.lpfnWndProc = mainWindowShellProc;
    windowClass.cbClsExtra = 0;
    // A dialog of a class of its own needs the dialog manager's room.
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = module;
    windowClass.hIcon = LoadIconW(module, MAKEINTRESOURCEW(IDI_MAIN_ICON));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = kMainWindowClassName;
    return RegisterClassW(&windowClass);
}
