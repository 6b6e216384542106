// Turns a patch source into the Standard MIDI File the player sends once.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/demo_content/patch_source.h"

extern const char kPatchCopyright[];
extern const uint8_t kGeneralMidiReset[6];  // F0 7E 7F 09 01 F7

// Ticks per quarter note of every patch file.
constexpr int32_t kPatchResolution = 480;

// Format 0: copyright, title and comment; the General MIDI reset at tick 0;
// then per channel, in the rows' order, program change, volume, pan,
// reverb and chorus, an eighth note after the reset so that a synthesizer
// has finished resetting before they arrive.
std::vector<uint8_t> patchFile(const PatchSource& patch);
