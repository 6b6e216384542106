// The language dialog: the user-interface language and the text encoding of
// song texts. Its OK only stores the choice, which takes effect at the next
// start.
#pragma once

#include <windows.h>

// Runs the dialog modally over `owner`, centred on it.
void runLanguageDialog(HWND owner);
