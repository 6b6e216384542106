// LanguageDialog: the user-interface language and the song text encoding.
#pragma once

#include <windows.h>

// Runs the dialog modally, owned by `owner`.
void runLanguageDialog(HWND owner);
