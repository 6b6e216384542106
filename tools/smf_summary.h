// What smfdump prints about a song, kept apart from main() so that it can
// be tested on songs built in memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "midi/song/midi_data.h"

// One "key: value" line each for format, tracks, time-mode, resolution,
// begin, end, duration-ms, end-position, title, subtitle, copyright,
// comment and recovered ("truncated-track 1, missing-tracks 2": each kind of
// irregularity the reader recovered from with its count, in a fixed order;
// empty for a regular file). Texts are written as UTF-8.
std::string formatSongSummary(const MIDIData* song);

// One "<track> <tick> <bytes>" line per event, tracks from 0 in file order,
// bytes in upper-case hex as the event would go on the wire.
std::string formatSongEvents(const MIDIData* song);

struct SmfdumpOptions {
    bool events = false;
    int32_t codePage = 1252;
    std::wstring path;
};

enum class SmfdumpCommand { Dump, Help, UsageError };

// Reads the command line (without the program name). On a usage error
// `error` says what is wrong.
SmfdumpCommand parseSmfdumpArguments(const std::vector<std::wstring>& arguments,
                                     SmfdumpOptions& options, std::string& error);

extern const char smfdumpUsage[];
