// Every key of Quillbex.ini in one table: its section, name, kind, default
// and the field of `playerState` it fills. The load walks the whole table
// in order; the save walks it in the same order and skips the keys that are
// loaded only. A key is added here and nowhere else.
#pragma once

#include <atomic>
#include <cstdint>
#include <span>

enum class SettingKind {
    Text,    // read by readSettingString with readSize, written as it is
    Number,  // read as an integer, written as "%d"
    List,    // the eight drum groups, "%d,%d,%d,%d,%d,%d,%d,%d"
};

struct SettingKey {
    const wchar_t* section;
    const wchar_t* name;
    SettingKind kind;
    const wchar_t* defaultText;  // Text and List: as the file would hold it
    int32_t defaultNumber;       // Number
    uint32_t readSize;           // Text: characters read, terminator included
    bool saved;
    // The field: `text` for Text; `number` or `sharedNumber` (one of them)
    // for Number; `sharedNumber` pointing at the first group for List.
    wchar_t* text;
    int32_t* number;
    std::atomic<int32_t>* sharedNumber;
};

// In load order, which is also the order of the saved file.
std::span<const SettingKey> settingKeys();
