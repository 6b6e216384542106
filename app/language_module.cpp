#include "app/language_module.h"

#include <windows.h>

#include <cwchar>
#include <iterator>

#include "engine/player_state.h"
#include "ui/message_box.h"

int loadLanguageModule() {
    const wchar_t* moduleName = languageModuleName(playerState.userInterface);
    playerState.resourceModule = LoadLibraryW(moduleName);
    if (playerState.resourceModule != nullptr) return 1;
    // No module, no texts: the one message the program carries itself.
    wchar_t text[64];
    std::swprintf(text, std::size(text), L"%ls Load Failed!!", moduleName);
    showMessageBox(nullptr, text, L"Quillbex", MB_ICONERROR);
    return 0;
}

void freeLanguageModule() {
    if (playerState.resourceModule == nullptr) return;
    FreeLibrary(static_cast<HMODULE>(playerState.resourceModule));
    playerState.resourceModule = nullptr;
}
