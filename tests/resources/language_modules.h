// The three language modules as the tests see them, and dialogs created from
// their templates.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct LanguageModule {
    const wchar_t* fileName;  // "QuillbexEnu.dll", ...
    bool cjk;                 // Japanese or Chinese: needs the CJK fonts
    HMODULE handle;           // null when the module could not be loaded
    std::wstring path;
};

// The modules, loaded once for the whole test program.
const std::vector<LanguageModule>& languageModules();

// The dialog templates of every module, by identifier.
extern const int dialogTemplateIds[5];

// A dialog created from a module's template, hidden, with a dialog procedure
// that does nothing; destroyed with the object. Registers the main window's
// class for the module first, as start-up does.
class TemplateDialog {
public:
    TemplateDialog(const LanguageModule& module, int templateId);
    ~TemplateDialog();
    TemplateDialog(const TemplateDialog&) = delete;
    TemplateDialog& operator=(const TemplateDialog&) = delete;
    HWND window() const { return window_; }
    HWND control(int id) const { return GetDlgItem(window_, id); }

private:
    HWND window_;
};

std::wstring windowText(HWND window);
std::wstring className(HWND window);
LONG windowStyle(HWND window);
