// SyncModeDialog: what the player follows on the input and sends on the output.
#pragma once

#include <windows.h>

// Runs the dialog modally, owned by `owner`.
void runSyncModeDialog(HWND owner);
