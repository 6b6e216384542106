#include "language_modules.h"

#include <commctrl.h>

#include "resources/resource_ids.h"

const int dialogTemplateIds[5] = {IDD_MAIN_WINDOW, IDD_SONG_INFO_DIALOG, IDD_DEVICE_DIALOG,
                                  IDD_SYNC_MODE_DIALOG, IDD_LANGUAGE_DIALOG};

namespace {

std::wstring moduleFolder() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring folder(self);
    folder.erase(folder.find_last_of(L"\\/") + 1);
    folder += QUILLBEX_MODULE_DIR_FROM_TEST;
    for (wchar_t& c : folder) {
        if (c == L'/') c = L'\\';
    }
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    return folder;
}

INT_PTR CALLBACK inertDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

void registerMainWindowClass(HMODULE module) {
    WNDCLASSW existing;
    if (GetClassInfoW(module, L"Quillbex_MainWnd", &existing)) return;
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DefDlgProcW;
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = module;
    windowClass.lpszClassName = L"Quillbex_MainWnd";
    RegisterClassW(&windowClass);
}

}  // namespace

const std::vector<LanguageModule>& languageModules() {
    static const std::vector<LanguageModule> modules = [] {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS};
        InitCommonControlsEx(&controls);
        std::vector<LanguageModule> list = {{L"QuillbexEnu.dll", false, nullptr, {}},
                                            {L"QuillbexJpn.dll", true, nullptr, {}},
                                            {L"QuillbexChs.dll", true, nullptr, {}}};
        const std::wstring folder = moduleFolder();
        for (LanguageModule& module : list) {
            module.path = folder + module.fileName;
            module.handle = LoadLibraryW(module.path.c_str());
        }
        return list;
    }();
    return modules;
}

TemplateDialog::TemplateDialog(const LanguageModule& module, int templateId) {
    registerMainWindowClass(module.handle);
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
