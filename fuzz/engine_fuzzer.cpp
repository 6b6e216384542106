// libFuzzer target: the playing engine driven by MIDI input streams and
// user actions on a fake clock, its promises checked after every step. The
// input's layout is in engine_input.h, the driver in engine_driver.h.
//
// The bounds, and why (engine_invariants.h has each promise in full): a
// pass sends at most one beat of the densest built-in pattern's notes, one
// beat of clock pulses and one time code, for more is a replay or a tempo
// nobody set, and late on a 31 250-baud cable; the clock runs no faster
// than the tempo scroll bar's 256 bpm, moves at most two pulses between
// received pulses, and stands still half a second after the last time code;
// after Stop no drum key sounds and nothing but thru, a song position echo
// and silencing leaves until Start or Continue; the position stays within
// the loop; the next pass is due no more than one worker period (10 ms) in
// the past and no later than the pattern's longest gap at 16 bpm; with the
// program's own sync output on, no received clock or time code passes
// through; a follower keeps its phase against the master however often its
// loop wraps, and sends nothing before the master's first pulse or code.
// Time may move inside a pass: every reading of the fake time source can
// take up to 300 us (the input's twelfth settings byte).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "fuzz/engine_driver.h"
#include "fuzz/engine_input.h"
#include "fuzz/engine_invariants.h"
#include "fuzz/engine_patterns.h"

namespace {

// Enough steps for a few bars at any tempo; a longer input would only
// repeat itself more slowly.
constexpr int32_t kMostSteps = 4000;

std::filesystem::path programFolder;
int32_t densestBeat = 0;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    programFolder = std::filesystem::temp_directory_path() / ("quillbex-engine-fuzzer-" + std::to_string(getpid()));
    writeBuiltInPatterns(programFolder / "pattern");
    densestBeat = densestBeatOfBuiltInPatterns();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    EngineInputReader input(data, size);
    EngineInvariants invariants(densestBeat);
    EngineDriver driver(programFolder, invariants);
    driver.start(input.settings());
    int32_t steps = 0;
    while (auto step = input.nextStep()) {
        if (++steps > kMostSteps) break;
        driver.run(*step);
    }
    return 0;
}
