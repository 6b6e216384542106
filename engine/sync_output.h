// Timing sent when the player is the timing master: MIDI timing clock or
// MIDI time code by playerState.midiOutSyncMode, and the one-byte start,
// continue and stop messages. The caller holds playerState.lock.
#pragma once

#include <cstdint>

#include "midi/midi_bytes.h"

struct MIDIClock;

// Called by every playing pattern pass before its notes.
void sendSyncOutput(int32_t millisec, int32_t tick, int32_t position, int32_t timeMode,
                    int32_t resolution);

// When the next clock pulse or time code after `position` falls due on
// `clock` (the pattern clock), as the pattern player sleeps until then;
// kMIDIClockUnknownTime when none is sent or the clock cannot tell.
int64_t nextSyncOutputTime(const MIDIClock* clock, int32_t position, int32_t timeMode,
                           int32_t resolution);

// kMidiStart, kMidiContinue or kMidiStop to midiOut when the output sync mode is not 0; never mirrored.
void sendTransportByte(uint8_t byte);
