// What the engine must tell the main window on its own: a transport command
// the MIDI input asks for, and a warning. Everything else the window learns
// from the values the engine's calls return. The Windows main window
// implements it with posted messages and message boxes; tests implement it
// with a recorder. The engine includes no user-interface header.
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
