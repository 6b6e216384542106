// The bytes of one MIDI message or file in a test.
#pragma once

#include <cstdint>
#include <vector>

using Bytes = std::vector<uint8_t>;
