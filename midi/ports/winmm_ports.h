// The WinMM backend: the system's MIDI devices on Windows, by the names
// their drivers report (midiInGetDevCapsW / midiOutGetDevCapsW).
#pragma once

#include <cstdint>

#include "midi/ports/port_backend.h"

// Opens device `deviceId` (an index, or MIDI_MAPPER for output); null when
// the driver refuses.
MIDIIn* openWinMMInput(uint32_t deviceId);
MIDIOut* openWinMMOutput(uint32_t deviceId);
