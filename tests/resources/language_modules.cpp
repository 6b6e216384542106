#include "language_modules.h"

#include <commctrl.h>

#include "resources/resource_ids.h"
#include "tests/support/language_module_files.h"

const int dialogTemplateIds[5] = {IDD_MAIN_WINDOW, IDD_SONG_INFO_DIALOG, IDD_DEVICE_DIALOG,
                                  IDD_SYNC_MODE_DIALOG, IDD_LANGUAGE_DIALOG};

namespace {

INT_PTR CALLBACK inertDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

}  // namespace

const std::vector<LanguageModule>& languageModules() {
    static const std::vector<LanguageModule> modules = [] {
        std::vector<LanguageModule> list = {{L"QuillbexEnu.dll", false, nullptr, {}},
                                            {L"QuillbexJpn.dll", true, nullptr, {}},
                                            {L"QuillbexChs.dll", true, nullptr, {}}};
        for (LanguageModule& module : list) {
            module.path = testLanguageModulePath(module.fileName);
            module.handle = LoadLibraryW(module.path.c_str());
        }
        return list;
    }();
    return modules;
}

TemplateDialog::TemplateDialog(const LanguageModule& module, int templateId) {
    registerTestMainWindowClass(module.handle, DefDlgProcW);
    window_ = CreateDialogParamW(module.handle, MAKEINTRESOURCEW(templateId), nullptr,
                                 inertDialogProc, 0);
}

TemplateDialog::~TemplateDialog() {
    if (window_) DestroyWindow(window_);
}

std::wstring windowText(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

std::wstring className(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

LONG windowStyle(HWND window) { return GetWindowLongW(window, GWL_STYLE); }
