// Song data service: reads Standard MIDI Files into a song that the players
// walk track by track and event by event.
//
// Every call accepts a null song or event and then returns 0 (or does
// nothing), so a caller that forgot a presence test cannot crash the player.
// Calls on one song are not synchronised; the player calls them under its lock.
#pragma once

#include <cstddef>
#include <cstdint>

// One event of a track. `data` holds the message exactly as it would go on
// the wire: a channel message with its status byte (running status already
// expanded), a meta event as FF <type> <data...> without the length, a
// system-exclusive event as F0 <data...> ending with F7 as stored in the
// file, an escaped event as F7 <data...>.
struct MIDIEvent {
    int32_t time;          // absolute tick
    int32_t length;        // number of bytes in `data`
    const uint8_t* data;   // owned by the song
    MIDIEvent* next;       // next event of the same track, or null
};

// One track: its events in time order (the order of the file; a file's
// events never go back in time because delta times are unsigned).
struct MIDITrack {
    MIDIEvent* firstEvent;   // null for an empty track
    MIDITrack* nextTrack;    // null for the last track
    int32_t eventCount;
    MIDIEvent* events;       // the same events as an array of eventCount, for searching by time
};

struct MIDIData;  // opaque song

// Largest Standard MIDI File the reader accepts, in bytes.
constexpr size_t kMaxSongFileSize = size_t{64} << 20;

// Loading. Any malformed or unreadable file gives null; nothing is printed.
// Standard MIDI File formats 0, 1 and 2 are read; unknown chunks are
// skipped, a track may lack its end-of-track event, and everything after
// an end-of-track event in its chunk is ignored.
// Recovered, as the common players do, and counted (MIDIData_GetRecoveryCount):
// - running status resumed after a meta or system-exclusive event: the data
//   bytes take the track's last channel status;
// - stray system common (F1 and F3 with one data byte, F2 with two, F4, F5,
//   F6) and real-time bytes (F8..FE) in a track: skipped with their data
//   bytes, never stored; their delta time counts toward the next event, and
//   the running status before them stays in force;
// - a file cut short: when the last chunk of the file runs past its end or
//   its last event is incomplete, the track keeps its complete events and
//   ends at the last of them (an end-of-track cut off after FF 2F is kept);
// - fewer tracks in the file than its header declares: those there are kept.
// Refused: files over 64 MiB, a header whose length is under 6 or runs past
// the end of the file, formats above 2, a track count of 0, a file without
// a track chunk, a track whose bytes give no event (an empty chunk is an
// empty track), an incomplete event in any chunk but the file's last, bad
// variable-length numbers (over four bytes), data bytes with no channel
// status before them in the track, a status byte where a data byte belongs,
// and ticks past 2^31 - 1.
MIDIData* MIDIData_LoadFromSMFW(const wchar_t* path);
MIDIData* MIDIData_LoadFromMemory(const uint8_t* bytes, size_t size);
void MIDIData_Delete(MIDIData* song);

// The irregularities a load recovered from, one count per kind: messages
// that resumed running status after a meta or system-exclusive event, stray
// system messages skipped, tracks cut short, and tracks the header declared
// but the file did not hold.
enum class MIDIDataRecovery : int32_t {
    ResumedRunningStatus,
    StraySystemMessages,
    TruncatedTrack,
    MissingTracks,
};
constexpr int32_t kMIDIDataRecoveryKinds = 4;
// 0 for a null song or an unknown kind.
int32_t MIDIData_GetRecoveryCount(const MIDIData* song, MIDIDataRecovery kind);

// Code page used to decode the texts of songs loaded afterwards (1252 until
// set): a Windows code page number, 1200 and 1201 for UTF-16 little and big
// endian, 65001 for UTF-8. A code page this machine cannot decode, and the
// machine-dependent aliases 0 to 3 and 42, read as Latin-1, one character a
// byte; bytes the code page does not define read as U+FFFD.
void MIDIDataLib_SetDefaultCharCode(int32_t codePage);

int32_t MIDIData_GetFormat(const MIDIData* song);
int32_t MIDIData_CountTrack(const MIDIData* song);
// Time mode 0 (ticks per quarter note) or 24, 25, 29, 30 (frames per second,
// 29 = 29.97); resolution is ticks per quarter note or ticks per frame.
int32_t MIDIData_GetTimeBase(const MIDIData* song, int32_t* timeMode, int32_t* resolution);
// Ticks of the first and the last event over all tracks; the end-of-track
// event counts, so a one-bar pattern at 480 ticks per quarter note whose
// end-of-track event is at 1920 ends at 1920. A song without events gives 0.
int32_t MIDIData_GetBeginTime(const MIDIData* song);
int32_t MIDIData_GetEndTime(const MIDIData* song);
// Milliseconds from tick 0 (truncated), by the tempo events of every track
// (500000 us per quarter note before the first); for a frame-based song by
// its frame rate. Ticks before 0 give 0; the result stops at INT32_MAX.
int32_t MIDIData_TimeToMillisec(const MIDIData* song, int32_t tick);
// Zero-based measure and beat and the tick within the beat, by the
// time-signature events of every track (4/4 before the first). A time
// signature in the middle of a measure ends that measure early and starts
// a new one. A frame-based song has no beats: it gives the second, the
// frame within the second (29.97 counts 30) and the tick within the frame.
// Any output pointer may be null; 1 on success.
int32_t MIDIData_BreakTime(const MIDIData* song, int32_t tick, int32_t* measure, int32_t* beat,
                           int32_t* tickInBeat);

// Texts, decoded and copied into `buffer` of `size` characters, always
// terminated; the result is the number of characters copied. All four come
// from the first track: the title is its first track name (FF 03), the
// subtitle its second track name, the copyright its first copyright notice
// (FF 02) and the comment its first text event (FF 01). A text ends at its
// first NUL character. A song without the event gives the empty text.
int32_t MIDIData_GetTitleW(const MIDIData* song, wchar_t* buffer, int32_t size);
int32_t MIDIData_GetSubTitleW(const MIDIData* song, wchar_t* buffer, int32_t size);
int32_t MIDIData_GetCopyrightW(const MIDIData* song, wchar_t* buffer, int32_t size);
int32_t MIDIData_GetCommentW(const MIDIData* song, wchar_t* buffer, int32_t size);

// Walking the song.
MIDITrack* MIDIData_GetFirstTrack(const MIDIData* song);
MIDITrack* MIDITrack_GetNextTrack(const MIDITrack* track);
MIDIEvent* MIDITrack_GetFirstEvent(const MIDITrack* track);
// First event of the track whose time is at or after `tick`, or null;
// a binary search, so a player can start its scan window without walking
// the whole track.
MIDIEvent* MIDITrack_FindFirstEventAtOrAfter(const MIDITrack* track, int32_t tick);
MIDIEvent* MIDIEvent_GetNextEvent(const MIDIEvent* event);

// Event classification. A MIDI event is a channel message (status 0x80..0xEF).
int32_t MIDIEvent_IsMIDIEvent(const MIDIEvent* event);
int32_t MIDIEvent_IsNoteOn(const MIDIEvent* event);    // 0x9n with velocity above 0
int32_t MIDIEvent_IsNoteOff(const MIDIEvent* event);   // 0x8n, or 0x9n with velocity 0
int32_t MIDIEvent_GetChannel(const MIDIEvent* event);  // 0..15
int32_t MIDIEvent_GetKey(const MIDIEvent* event);      // 0..127
int32_t MIDIEvent_GetVelocity(const MIDIEvent* event); // 0..127
