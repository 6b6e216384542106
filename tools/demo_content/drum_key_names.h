// The names a pattern source may give a drum row instead of its key number:
// the General MIDI percussion keys, as a drummer calls them.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// The key of a row label: a key number 0..127 ("38") or a name ("snare").
std::optional<uint8_t> drumKeyOfLabel(std::string_view label);
