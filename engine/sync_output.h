// Timing sent when the player is the timing master: MIDI timing clock or
// MIDI time code by playerState.settings.midiOutSyncMode, and the one-byte start,
// continue and stop messages. The caller holds playerState.lock.
//
// Timing clock follows MIDI's convention: a follower begins at the first
// pulse after Start or Continue, which marks the start position. So pulse k
// stands on the first tick at or after k / 24 of a quarter note, pulse 0 on
// tick 0, and the pass right after Start sends it with the downbeat.
#pragma once

#include <cstdint>

#include "midi/midi_bytes.h"

struct MIDIClock;

// Called by every playing pattern pass before its notes: the clock pulses
// whose ticks lie in [from, through], or the time code at `millisec` when
// it changed since the last one sent.
void sendSyncOutput(int32_t millisec, int32_t from, int32_t through, int32_t timeMode,
                    int32_t resolution);

// The clock pulses alone, for the part of a pass past a loop's wrap.
void sendClockPulses(int32_t from, int32_t through, int32_t timeMode, int32_t resolution);

// When the next clock pulse at or after `position`, or the next time code,
// falls due on `clock` (the pattern clock), as the pattern player sleeps
// until then; kMIDIClockUnknownTime when none is sent or the clock cannot tell.
int64_t nextSyncOutputTime(const MIDIClock* clock, int32_t position, int32_t timeMode,
                           int32_t resolution);

// The music moved from tick `from` (the first not yet played) to `to`, on
// the clock's count before the loop takes it in. A clock follower cannot be
// told that by pulses without a burst of them, so it is relocated as
// between songs: Stop, a song position, Continue, and the few pulses from
// that sixteenth on that it must have counted by now. It lands where it
// stood plus what the music moved, never at our place in the loop: a song
// sequencer keeps its place in the song, and a drum machine with our loop's
// length lands where we are in it. Nothing is sent when the follower's
// count does not change, or without timing clock output.
void followClockJump(int64_t from, int64_t to, int32_t timeMode, int32_t resolution);

// Where the song position forwarded to a clock follower puts it (sixteenth
// notes, 0..16383).
void clockFollowerLocated(int32_t songPosition);

// kMidiStart, kMidiContinue or kMidiStop to midiOut when the output sync
// mode is not 0; never mirrored. Start puts a clock follower at the song's
// start.
void sendTransportByte(uint8_t byte);
