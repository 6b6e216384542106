// Turns a pattern source into the Standard MIDI File the player loops.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/demo_content/pattern_source.h"

// Every pattern file carries this copyright notice.
extern const char kPatternCopyright[];

// Tick at which a step starts. With swing the first step of each pair is
// longer, the second starts late.
int32_t stepTick(const PatternSource& pattern, int32_t step);

// Ticks of all the pattern's bars: where its end-of-track lies, so the
// loop comes round without a gap.
int32_t patternLength(const PatternSource& pattern);

// Format 0 at the pattern's resolution: copyright, title, comment, time
// signature and tempo at tick 0, then the drum notes on channel 10, each
// ended by a note-on with velocity 0 half the shortest step later.
std::vector<uint8_t> patternFile(const PatternSource& pattern);
