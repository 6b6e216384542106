// The language module: the resource-only library with the dialogs, strings
// and icon of the language chosen by the `userInterface` setting.
#pragma once

#include <string>

// Loads the module of `playerState.settings.userInterface` from `programFolder`, the
// folder of the program file, by its full path into
// `playerState.shell.resourceModule`. Returns 1; 0 after an error box naming the
// module ("QuillbexJpn.dll Load Failed!!"). There is no fallback to another
// language, and no other folder is searched.
int loadLanguageModule(const std::wstring& programFolder);

// Releases `playerState.shell.resourceModule` if it is set.
void freeLanguageModule();

// The module's file name for the `userInterface` setting: "English" and
// "Chinese", compared exactly, choose theirs; any other value (also
// "english" and the empty text) chooses Japanese.
const wchar_t* languageModuleName(const wchar_t* userInterface);
