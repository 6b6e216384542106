// The General MIDI percussion map: the sound each key of channel 10 plays.
#pragma once

#include <cstdint>
#include <string_view>

// The sound of drum key `key` ("Bass Drum 1" for 36); empty outside the map
// (27..87).
std::string_view gmPercussionName(uint8_t key);
