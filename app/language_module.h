// The language module: the resource-only library with the dialogs, strings
// and icon of the language chosen by the `userInterface` setting.
#pragma once

// Loads the module of `playerState.userInterface` by its bare file name, so
// Windows finds it beside the program file, into `playerState.resourceModule`.
// Returns 1; 0 after an error box naming the module ("QuillbexJpn.dll Load
// Failed!!"). There is no fallback to another language.
int loadLanguageModule();

// Releases `playerState.resourceModule` if it is set.
void freeLanguageModule();
