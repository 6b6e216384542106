// Message boxes. Every box the program shows goes through showMessageBox, so
// a test can put a recorder in place of the real box and never block on one.
#pragma once

#include <windows.h>

#include <cstdint>

using MessageBoxFunction = int (*)(HWND owner, const wchar_t* text, const wchar_t* caption,
                                   UINT type);

// Replaces the real box (MessageBoxW); nullptr puts it back.
void setMessageBoxFunction(MessageBoxFunction function);

int showMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);

// True while a box shown by showMessageBox is open. The box runs its own
// message loop, which goes on dispatching what is posted to the windows.
bool messageBoxOpen();

// The text, a line break and the detail ("%s\n%s"), cut to 1023 characters.
int showMessage(HWND owner, const wchar_t* text, const wchar_t* detail, const wchar_t* caption,
                UINT type);

// String `stringId` of the language module, with the detail (a path or a
// device name) on its own line when there is one, captioned with the
// program's caption.
int showStringMessage(HWND owner, int32_t stringId, const wchar_t* detail, UINT type);
