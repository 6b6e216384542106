// The text of the selected entry of a list box or a combo box, copied into
// a buffer of n characters. The buffer is cleared first; with no selection,
// an unreadable entry or no memory for it, the result is the empty text and
// 0. Otherwise min(n - 1, entry length) characters are copied, terminated,
// and their count returned.
#pragma once

#include <windows.h>

#include <cstdint>

int32_t getSelectedText(HWND list, wchar_t* buffer, int32_t n);
int32_t getSelectedComboText(HWND combo, wchar_t* buffer, int32_t n);
