#include "app/language_module.h"

#include <windows.h>

#include <cwchar>
#include <iterator>

#include "engine/player_state.h"
#include "ui/message_box.h"

int loadLanguageModule(const std::wstring& programFolder) {
    const wchar_t* moduleName = languageModuleName(playerState.settings.userInterface);
    // By full path: a bare name would go on to the system folders, the
    // current folder and PATH when the module is missing here, and run
    // whatever library of that name it found there.
    const std::wstring path = programFolder + L"\\" + moduleName;
    playerState.shell.resourceModule = LoadLibraryW(path.c_str());
    if (playerState.shell.resourceModule != nullptr) return 1;
    // No module, no texts: the one message the program carries itself.
    wchar_t text[64];
    std::swprintf(text, std::size(text), L"%ls Load Failed!!", moduleName);
    showMessageBox(nullptr, text, L"Quillbex", MB_ICONERROR);
    return 0;
}

void freeLanguageModule() {
    if (playerState.shell.resourceModule == nullptr) return;
    FreeLibrary(static_cast<HMODULE>(playerState.shell.resourceModule));
    playerState.shell.resourceModule = nullptr;
}
