// A drum pattern as its source text describes it: a header, then one row
// per drum key with one character per step. content/README.md shows the
// format.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct DrumRow {
    int lineNumber = 0;
    uint8_t key = 0;                  // General MIDI percussion key
    std::vector<uint8_t> velocities;  // one per step; 0 is a rest
};

struct PatternSource {
    std::string title;
    std::string comment;            // may be empty
    int32_t beatsPerBar = 4;        // meter 6/8: 6 beats of an eighth note
    int32_t beatNote = 4;           // 4 a quarter note, 8 an eighth
    int32_t quartersPerMinute = 0;  // the tempo, as the player shows it
    int32_t resolution = 480;       // ticks per quarter note
    int32_t stepsPerBeat = 0;
    int32_t swingPercent = 50;      // share of a pair of steps that the first step takes
    int32_t stepCount = 0;          // steps of every row, whole bars
    std::vector<DrumRow> rows;
};

// Null with `error` set ("line 7: ...") when the text is not a valid pattern.
std::optional<PatternSource> parsePatternSource(std::string_view text, std::string& error);

// The velocity a step character stands for: 0 for a rest, nothing for a
// character that is no step.
std::optional<uint8_t> velocityOfStep(char step);
