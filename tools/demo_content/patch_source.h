// A patch as its source text describes it: a header, then one row per
// MIDI channel with its program and four controllers. content/README.md
// shows the format.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What one channel is set to; -1 leaves a setting as the synthesizer has it.
struct ChannelSetup {
    int32_t channel = 0;  // 1..16, as musicians count
    int32_t program = -1; // 1..128, as General MIDI instrument lists count
    int32_t volume = -1;  // controller 7
    int32_t pan = -1;     // controller 10, 64 is the centre
    int32_t reverb = -1;  // controller 91
    int32_t chorus = -1;  // controller 93
};

struct PatchSource {
    std::string title;
    std::string comment;            // may be empty
    bool generalMidiReset = false;  // "reset: gm"
    std::vector<ChannelSetup> channels;
};

// Null with `error` set ("line 4: ...") when the text is not a valid patch.
std::optional<PatchSource> parsePatchSource(std::string_view text, std::string& error);
