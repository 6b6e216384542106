// Transport of the pattern: loading and replacing the pattern song, the two
// clocks, Start, Stop, Continue and Locate.
//
// Everything runs on the user-interface thread and takes playerState.lock
// itself, except locateSongPosition, which the MIDI input thread calls while
// it holds the lock. The window shows the warnings these calls return.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/warning.h"

struct MIDIClock;
struct MIDIData;

// Resolution of a song that counts ticks per quarter note, or 0 for a song
// the players cannot use: a frame-based time mode, or a resolution of 0 or
// less (which would divide by zero when clock pulses are counted).
int32_t ticksPerQuarterNote(const MIDIData* song);

// Gives a player's clock the resolution of its new song; the clock's time
// mode stays.
void setClockResolution(MIDIClock* clock, int32_t resolution);

// Start-up, before the worker threads exist; no lock is taken. Loads the
// stored pattern (playerState.settings.patternName), which the window found
// in its list; a file that cannot be read stays silent, one that counts frames is
// dropped with a warning.
SongLoadResult loadStoredPattern();
// The pattern and patch clocks, at the pattern's time base and the stored
// tempo; how many of the two could not be made (each warns once).
int32_t createClocks();

// Loads the pattern `name` of the pattern folder in place of the current
// one; the warning to show with the file's path, if any.
SongLoadResult selectPattern(const wchar_t* name);
// Start and Continue; Warning::noPatternLoaded, playing nothing, when no
// pattern is loaded.
std::optional<Warning> startPattern();
// Stops the pattern and the patch where they are and silences the output:
// a note-off for every drum key the output mirror holds sounding,
// all-notes-off on the 16 channels (port and both mirrors) and, with output
// sync on, MIDI Stop. Shutdown runs it too, so no note hangs and a slave
// stops when the ports close.
void stopPlayback();
std::optional<Warning> continuePattern();

// A received song position pointer (0..16383 sixteenth notes): moves the
// pattern and its clock there, wrapping into the loop. Returns 1 when moved,
// 0 without a pattern or pattern clock. The caller holds playerState.lock.
int32_t locateSongPosition(int32_t songPosition);
