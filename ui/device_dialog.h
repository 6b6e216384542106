// DeviceDialog: the MIDI input and output ports and MIDI thru.
#pragma once

#include <windows.h>

// Runs the dialog modally, owned by `owner`.
void runDeviceDialog(HWND owner);
