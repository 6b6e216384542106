// One copy of the program at a time: a second start hands over to the
// running copy and ends.
#pragma once

// Looks for a running copy's main window by its class name. None: returns 1.
// Found: sends it the activation message, waiting until it has been handled,
// and returns 0. The command line is not passed on.
int activateRunningInstance(const wchar_t* commandLine);
