// Musical-time clock: a tick counter in a time base, driven by a tempo or
// slaved to received MIDI timing clock or MIDI time code, plus a millisecond
// counter since the last reset.
//
// Positions are derived from the monotonic time elapsed since the last
// re-base, never summed from sleeps, so a clock does not drift. A clock has
// no lock of its own: its users serialise their calls (the player's lock).
//
// Operations return 1 on success and 0 for a null clock or an unusable
// argument, which leaves the clock unchanged; getters of a null clock give 0.
#pragma once

#include <cstdint>

struct MIDIClock;  // opaque

// Time mode 0: ticks per quarter note at the clock's tempo; 24, 25, 29, 30:
// ticks per frame at that frame rate (29 means 29.97). Tempo is in
// microseconds per quarter note. Null when the arguments are unusable.
MIDIClock* MIDIClock_Create(int32_t timeMode, int32_t resolution, int32_t tempo);
void MIDIClock_Delete(MIDIClock* clock);  // null is accepted

int32_t MIDIClock_Start(MIDIClock* clock);
int32_t MIDIClock_Stop(MIDIClock* clock);
int32_t MIDIClock_Reset(MIDIClock* clock);
int32_t MIDIClock_IsRunning(const MIDIClock* clock);

int32_t MIDIClock_SetTempo(MIDIClock* clock, int32_t tempo);
int32_t MIDIClock_GetTempo(const MIDIClock* clock);
int32_t MIDIClock_SetTimeBase(MIDIClock* clock, int32_t timeMode, int32_t resolution);
int32_t MIDIClock_GetTimeBase(const MIDIClock* clock, int32_t* timeMode, int32_t* resolution);

// Each counter is set on its own; the other runs on unchanged. Setting the
// tick keeps the fraction of a tick already counted. Following MIDI timing
// clock, a stopped clock's tick is the one the first pulse after Start
// reads (the clock shows the tick before it until then).
int32_t MIDIClock_GetTickCount(const MIDIClock* clock);
int32_t MIDIClock_SetTickCount(MIDIClock* clock, int32_t tick);
// Moves the tick count by `ticks` (a start position still to come moves
// with it) without reading the time: a loop wrap takes the loop's length
// off however long ago the tick was read, so no tick that passed since is
// lost.
int32_t MIDIClock_ShiftTickCount(MIDIClock* clock, int64_t ticks);
// Non-zero while a running clock that follows a master has had nothing
// from it since Start (or Continue): no pulse yet, or no complete time
// code or full frame. Its tick stands before the start position until then.
int32_t MIDIClock_IsWaitingForMaster(const MIDIClock* clock);
int32_t MIDIClock_GetMillisec(const MIDIClock* clock);
int32_t MIDIClock_SetMillisec(MIDIClock* clock, int32_t millisec);

// When the clock will first read at least `tick` (or `millisec`), in the
// time source's nanoseconds (MIDIClockLib_Now); a time not after now means
// it already does. kMIDIClockUnknownTime when the clock cannot tell: it is
// stopped, the tick is one that only a pulse of MIDI timing clock yet to
// come can bring, or the time lies beyond what the last time code lets it
// run on.
// Workers use it to sleep until their next message falls due.
constexpr int64_t kMIDIClockUnknownTime = INT64_MAX;
int64_t MIDIClock_GetTimeOfTickCount(const MIDIClock* clock, int32_t tick);
int64_t MIDIClock_GetTimeOfMillisec(const MIDIClock* clock, int32_t millisec);

// MidiInSyncMode (midi/midi_bytes.h): 0 = own tempo, 1 = follow MIDI timing
// clock (0xF8), 2 = follow MIDI time code (0xF1 quarter frames and
// F0 7F 7F 01 01 hh mm ss ff F7 full frames).
// Mode 1, by MIDI's convention: after Start (or Continue) the tick stands
// until the next pulse, which reads the start position (0 after a reset);
// each later pulse adds resolution / 24 ticks (the remainder carried). In
// between the tick runs on at the pulse rate measured over the last few
// pulses (from their arrival times), up to two pulses past the last one
// handed over, so that pulses handed over in batches do not hold the notes
// back; it never goes back, so a pulse that finds it already further
// leaves it there until the rate carries it on. The clock hears the
// master's Start, Continue and Stop (0xFA, 0xFB, 0xFC) too: pulses that
// arrive after a received Start or Continue, before the clock's own Start
// (or Reset) acts on it, count from the start position; Stop discards them,
// and pulses between the master's Stop and the clock's own do not count.
// The milliseconds count real time while the clock runs. Mode 2: the milliseconds are the received code's time (24, 25,
// 29.97 drop-frame or 30 fps), run on in real time for up to four frames
// after each quarter-frame code; the tick follows them at the tempo or frame
// rate, so the first code after a reset places the tick at the code's time.
// After Start (or Continue) the clock waits for a complete code or a full
// frame, reading the tick before its position until one comes.
// A full frame only moves the clock to its time: it stands there until
// quarter frames come, or runs on as far as the last quarter frames allow.
int32_t MIDIClock_SetMIDIInSyncMode(MIDIClock* clock, int32_t syncMode);
int32_t MIDIClock_GetMIDIInSyncMode(const MIDIClock* clock);
// A received timing message; ignored unless it matches the sync mode and
// the clock runs (or, for a pulse, awaits the player's Start). Non-zero when
// it moved the clock.
int32_t MIDIClock_PutMIDIMessage(MIDIClock* clock, const uint8_t* message, int32_t length);
// The same for a message received at `receivedAt` (the time source's
// nanoseconds, MIDIClockLib_Now), which may lie a little in the past when a
// driver hands its messages over late or in batches.
int32_t MIDIClock_PutMIDIMessageAt(MIDIClock* clock, const uint8_t* message, int32_t length,
                                   int64_t receivedAt);

// How often a received time code has made the running clock jump instead
// of running on: a full frame more than a frame away from where the clock
// stood, or a quarter-frame code more than two frames away. A player that
// sees the count change between two passes moves to the new tick without
// playing what lies between. It only grows (and wraps round); 0 for null.
int32_t MIDIClock_GetLocateCount(const MIDIClock* clock);

// The monotonic time source of every clock, in nanoseconds. Tests replace it
// with a fake; null restores the steady system clock.
using MIDIClockTimeSource = int64_t (*)();
void MIDIClockLib_SetTimeSource(MIDIClockTimeSource source);
int64_t MIDIClockLib_Now();
