// What the engine asks the window to warn about. The window owns the texts:
// it maps each kind to its string of the language module.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

enum class Warning : int32_t {
    clockCreateFailed,  // a clock could not be made
    fileLoadFailed,     // a song file could not be read
    frameTimeBase,      // a song counts frames, not ticks per quarter note
    noPatternLoaded,    // Start or Continue without a pattern
    inputGone,          // the input device vanished; the detail names it
    outputGone,         // the output device vanished; the detail names it
};

// A warning about a song file: what went wrong and the file's path.
struct FileWarning {
    Warning kind;
    std::wstring path;
};
using SongLoadResult = std::optional<FileWarning>;
