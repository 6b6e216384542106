// The keys of Quillbex.ini and the settings fields of `playerState` they
// fill: loaded once at start-up, written once at exit.
#pragma once

#include "settings/os_version.h"

#include <atomic>
#include <cstdint>
#include <string>

// Fills the settings fields from the file (defaults where the file, a
// section or a key is missing). Returns 1.
int loadSettings(const wchar_t* path);

// Writes every saved key in file order into the file, which the caller has
// just recreated with resetSettingsFile. Returns 1; trySaveSettings reports
// whether every write succeeded.
int saveSettings(const wchar_t* path);
bool trySaveSettings(const wchar_t* path);

// The settings file as it is rewritten at exit (resetSettingsFile, then
// saveSettings), built beside it as `path` + ".new" and put in its place in
// one step, so that the file is never left half-written. When the new file
// cannot be made or put in place, and when `path` is a link, the file is
// rewritten in place instead. Returns 1 when the settings are in the file,
// 0 when they could not be saved.
int writeSettingsFile(const wchar_t* path);

// After a writeSettingsFile that returned 0 having written the whole new
// file, which it could not put in place nor copy into the old one: the path
// of that file, which is kept, since the old one may be gone or cut short.
// Empty otherwise.
std::wstring settingsKeptBeside();

// Scans "%d,%d,..." into values[0..count-1] as swscanf would: blanks and a
// sign may precede each number, each comma must follow its number directly,
// and the scan stops at the first mismatch, leaving the later values as they
// were. A number beyond 32 bits is clamped. Returns the values set.
int scanIntList(const wchar_t* text, std::atomic<int32_t>* values, int count);

// The leading decimal number of a text-encoding entry such as
// "932-Japanese Shift-JIS" (blanks skipped, optional sign), 0 when none.
int32_t codePageOfTextEncoding(const wchar_t* text);

// The output device taken when "MIDIOutName" is stored empty: the MIDI
// mapper before Windows 8 (6.2), the built-in synthesizer from then on.
const wchar_t* midiOutFallbackName(OsVersion version);
