#include <cwchar>

#include "app/language_module.h"

const wchar_t* languageModuleName(const wchar_t* userInterface) {
    if (std::wcscmp(userInterface, L"English") == 0) return L"QuillbexEnu.dll";
    if (std::wcscmp(userInterface, L"Chinese") == 0) return L"QuillbexChs.dll";
    return L"QuillbexJpn.dll";
}
