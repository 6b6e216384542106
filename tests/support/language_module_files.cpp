#include "tests/support/language_module_files.h"

#include <commctrl.h>

std::wstring testLanguageModulePath(const wchar_t* fileName) {
    static const bool controlsRegistered = [] {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS};
        return InitCommonControlsEx(&controls) != FALSE;
    }();
    (void)controlsRegistered;
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self);
    path.erase(path.find_last_of(L"\\/") + 1);
    path += QUILLBEX_MODULE_DIR_FROM_TEST;
    if (!path.empty() && path.back() != L'/' && path.back() != L'\\') path += L'\\';
    path += fileName;
    for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
    }
    return path;
}

void registerTestMainWindowClass(HMODULE module, WNDPROC procedure) {
    WNDCLASSW existing;
    if (!module || GetClassInfoW(module, L"Quillbex_MainWnd", &existing)) return;
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = module;
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"Quillbex_MainWnd";
    RegisterClassW(&windowClass);
}
