// What the engine needs from the user-interface thread's main window. The
// Windows main window implements it over its controls; tests implement it
// with a recorder. The engine includes no user-interface header.
//
// Every call except postCommand is made on the user-interface thread.
#pragma once

#include <cstdint>

class PlayerUi {
public:
    virtual ~PlayerUi() = default;

    // Posts a command (Start 14593, Stop 14594, Continue 14595, ...) to the
    // main window as if its button had been pressed; never waits. Called
    // from worker threads, possibly while they hold the player's lock.
    virtual void postCommand(int32_t commandId) = 0;

    // A warning box with string `stringId` of the language module, captioned
    // with the program's caption; with a detail (a path or device name) the
    // text is the string, a line break and the detail. Never called while
    // the player's lock is held.
    virtual void showWarning(int32_t stringId, const wchar_t* detail) = 0;
    // The same warning, shown later by the user-interface thread; never
    // waits, so any thread may call it, also while holding the lock. The
    // detail is copied.
    virtual void postWarning(int32_t stringId, const wchar_t* detail) = 0;

    // Controls, by identifier.
    virtual int32_t getScrollPosition(int32_t controlId) = 0;
    virtual void setScrollRange(int32_t controlId, int32_t minimum, int32_t maximum) = 0;
    virtual void setScrollPosition(int32_t controlId, int32_t position) = 0;
    virtual void setControlText(int32_t controlId, const wchar_t* text) = 0;
    virtual void enableControl(int32_t controlId, bool enabled) = 0;
    virtual void showControl(int32_t controlId, bool visible) = 0;
    virtual void setChecked(int32_t controlId, bool checked) = 0;

    // List boxes: the index of the entry that reads `text` exactly, letter
    // case aside, or -1; selecting an entry; the selected entry's text
    // copied into `buffer` of `size` characters (empty and 0 when nothing
    // is selected).
    virtual int32_t findListEntry(int32_t listId, const wchar_t* text) = 0;
    virtual void selectListEntry(int32_t listId, int32_t index) = 0;
    virtual int32_t getSelectedText(int32_t listId, wchar_t* buffer, int32_t size) = 0;
};
