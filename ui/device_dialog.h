// The device dialog: the MIDI input and output devices and MIDI thru. Its
// OK reopens both ports at once.
#pragma once

#include <windows.h>

// Runs the dialog modally over `owner`.
void runDeviceDialog(HWND owner);
