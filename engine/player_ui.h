// What the engine needs from the user-interface thread's main window. The
// Windows main window implements it over its controls; tests implement it
// with a recorder. The engine includes no user-interface header.
//
// Every call except postCommand is made on the user-interface thread.
#pragma once

#include <cstdint>

#include "engine/warning.h"

// The transport commands the engine posts to the window, as presses of its
// Start, Stop and Continue buttons (the values are the buttons' ids).
enum class WindowCommand : int32_t {
    start = 14593,
    stop = 14594,
    continuePlaying = 14595,
};

class PlayerUi {
public:
    virtual ~PlayerUi() = default;

    // Posts a command to the main window as if its button had been pressed;
    // never waits. Called from worker threads, possibly while they hold the
    // player's lock.
    virtual void postCommand(WindowCommand command) = 0;

    // A warning box captioned with the program's caption; with a detail (a
    // path or device name) the text is the warning's string, a line break
    // and the detail. Never called while the player's lock is held.
    virtual void showWarning(Warning warning, const wchar_t* detail) = 0;
    // The same warning, shown later by the user-interface thread; never
    // waits, so any thread may call it, also while holding the lock. The
    // detail is copied.
    virtual void postWarning(Warning warning, const wchar_t* detail) = 0;

};
