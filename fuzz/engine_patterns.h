// The handful of drum patterns the engine fuzzer plays, at different
// resolutions and lengths, and what the invariants need to know of them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct MIDIData;

struct BuiltInPattern {
    std::wstring fileName;
    std::vector<uint8_t> bytes;  // the Standard MIDI File
};

const std::vector<BuiltInPattern>& builtInPatterns();

// Writes every built-in pattern into `patternFolder`.
void writeBuiltInPatterns(const std::filesystem::path& patternFolder);

struct PatternFacts {
    int32_t resolution = 0;
    int32_t endTime = 0;
    // Drum note messages within any beat of the loop, both ends counted.
    int32_t notesPerBeat = 0;
    // Most ticks from one event (or the loop's end) to the next.
    int32_t longestGap = 0;
};

PatternFacts factsOf(const MIDIData* pattern);

// The most drum note messages any built-in pattern holds in one beat.
int32_t densestBeatOfBuiltInPatterns();
