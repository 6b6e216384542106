// The language modules as the Windows tests load them: built beside the
// tests and found from the test program's own folder, so the same relative
// path (QUILLBEX_MODULE_DIR_FROM_TEST) works on Windows and under Wine.
#pragma once

#include <windows.h>

#include <string>

// The full path of module `fileName` ("QuillbexEnu.dll", ...). Registers
// the common controls the templates use (up-down, scroll bar) on first use,
// as start-up does before the main window.
std::wstring testLanguageModulePath(const wchar_t* fileName);

// Registers the main window's class "Quillbex_MainWnd" for `module` with
// `procedure`, as start-up does, so its template can be created; nothing
// when the module already has it.
void registerTestMainWindowClass(HMODULE module, WNDPROC procedure);
