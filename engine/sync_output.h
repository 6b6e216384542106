// Timing sent when the player is the timing master: MIDI timing clock or
// MIDI time code by playerState.midiOutSyncMode, and the one-byte start,
// continue and stop messages. The caller holds playerState.lock.
#pragma once

#include <cstdint>

constexpr uint8_t kMidiStart = 0xFA;
constexpr uint8_t kMidiContinue = 0xFB;
constexpr uint8_t kMidiStop = 0xFC;

// Called by every playing pattern pass before its notes.
void sendSyncOutput(int32_t millisec, int32_t tick, int32_t position, int32_t timeMode,
                    int32_t resolution);
// 0xFA, 0xFB or 0xFC to midiOut when the output sync mode is not 0; never mirrored.
void sendTransportByte(uint8_t byte);
