// Drum groups: which MIDI key belongs to which group, and the per-group
// filter and velocity scaling applied to every drum note the pattern sends.
#pragma once

#include <cstdint>

// Group of each key 0..127; entry 128 holds the master group 7 and is never
// reached by a key.
extern const int8_t drumGroupOfKey[129];

// The caller holds playerState.lock.
bool isDrumNoteEnabled(int32_t key);
int32_t scaleDrumVelocity(int32_t key, int32_t velocity);

// Ends every drum key (channel 10) the output mirror holds sounding with a
// velocity-0 note-on, in ascending key order, to midiOut and the mirror.
// Sends nothing without the port or the mirror. The caller holds
// playerState.lock.
void endSoundingDrumKeys();

// User-interface thread. setGroupEnabled takes the lock itself and, when a
// group is switched off, silences its keys on the output; setGroupLevel
// takes no lock.
void setGroupEnabled(int32_t group, int32_t enabled);
void setGroupLevel(int32_t group, int32_t level);
