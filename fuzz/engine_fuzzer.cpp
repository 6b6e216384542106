// libFuzzer target: the playing engine driven by MIDI input streams and
// user actions on a fake clock, its promises checked after every step (the
// list and their bounds are in engine_invariants.h). The input's layout is
// in engine_input.h.
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
