// Quillbex.ini: the program's own reader for string values, the integer
// writer, and the recreation of the file before it is written at exit.
#pragma once

#include <cstdint>

constexpr uint32_t kSettingsPieceLength = 4094;  // characters of a line read at a time

// Copies the value of `key` in `section` of the settings file at `path` into
// `buffer` (`size` characters, terminator included), or `defaultValue` when
// the file, the section or the key is missing. Returns the characters copied,
// at most `size` - 1. Section headers and key lines must start in the first
// column and match exactly, letter case included; the value is the rest of the
// line after "=", blanks included. Reads UTF-16LE after FF FE, UTF-8 after
// EF BB BF or without a mark when the whole file is valid UTF-8 holding some
// non-ASCII text, and 8-bit text otherwise; a file starting with FE FF is not
// read.
uint32_t readSettingString(const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue,
                           wchar_t* buffer, uint32_t size, const wchar_t* path);

// Writes `value` as "%d" under `section` and `key`. A failed write goes
// unnoticed; tryWriteSettingInt reports it.
void writeSettingInt(const wchar_t* section, const wchar_t* key, int32_t value, const wchar_t* path);
bool tryWriteSettingInt(const wchar_t* section, const wchar_t* key, int32_t value, const wchar_t* path);

// Recreates the file holding only the UTF-16LE byte-order mark FF FE, so that
// every write that follows is UTF-16LE and the file holds only what is written
// afterwards. Nothing happens when the file cannot be created;
// tryResetSettingsFile reports it.
void resetSettingsFile(const wchar_t* path);
bool tryResetSettingsFile(const wchar_t* path);
