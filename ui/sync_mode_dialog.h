// The sync-mode dialog: what timing the player follows on the MIDI input
// and what timing it sends on the MIDI output. Its OK takes effect at once.
#pragma once

#include <windows.h>

// Runs the dialog modally over `owner`, the main window: the dialog has it
// re-apply the tempo mode.
void runSyncModeDialog(HWND owner);
