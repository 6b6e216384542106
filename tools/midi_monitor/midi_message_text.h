// One MIDI message as a MIDI monitor shows it: the bytes in hex and what
// they mean, with note names and, on channel 10, the drum sound.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What the message means: "note-on  ch10 C1 (36 Bass Drum 1) vel 100".
// Notes are named with middle C (60) as C3. A note-on with velocity 0 is
// a note-off, as receivers take it.
std::string describeMidiMessage(const std::vector<uint8_t>& message);

// A monitor line: the time in milliseconds, the bytes in upper-case hex
// and the description, e.g.
// "  1250.3 ms  99 24 64   note-on  ch10 C1 (36 Bass Drum 1) vel 100".
std::string formatMonitorLine(double milliseconds, const std::vector<uint8_t>& message);
