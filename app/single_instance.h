// One copy of the program at a time: a second start hands over to the
// running copy and ends.
#pragma once

#include <windows.h>

// How long a second start waits for the running copy to take the hand-over.
inline constexpr UINT kHandOverTimeoutMs = 5000;

// Looks for a running copy's main window by its class name. None: returns 1.
// Found: sends it the activation message, waiting until it has been handled
// or `timeoutMs` has passed (a hung copy must not hang every later start),
// and returns 0 either way. The command line is not passed on.
int activateRunningInstance(const wchar_t* commandLine, UINT timeoutMs = kHandOverTimeoutMs);
