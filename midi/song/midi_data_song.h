// The song record behind the opaque MIDIData handle, shared by the reader
// and the accessors. Not for the players: they walk the public structs.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "midi/song/midi_data.h"

// From this tick on the song plays at `microsecondsPerQuarter`.
struct TempoChange {
    int32_t tick;
    int32_t microsecondsPerQuarter;
};

// From this tick on measures have `beatsPerMeasure` beats of `ticksPerBeat`.
struct MeterChange {
    int32_t tick;
    int32_t beatsPerMeasure;
    int32_t ticksPerBeat;
};

struct MIDIData {
    int32_t format = 0;
    int32_t timeMode = 0;    // 0, 24, 25, 29 or 30
    int32_t resolution = 0;  // ticks per quarter note or per frame
    int32_t beginTime = 0;
    int32_t endTime = 0;

    // Few big blocks, so a large file loads quickly: every event of every
    // track in one array (each track a slice of it), every event's bytes in
    // one pool. Neither is resized after the load, so the pointers into
    // them stay valid for the song's life.
    std::vector<MIDITrack> tracks;
    std::vector<MIDIEvent> events;
    std::unique_ptr<uint8_t[]> bytePool;

    std::vector<TempoChange> tempoMap;  // by tick; empty means 500000 throughout
    std::vector<MeterChange> meterMap;  // by tick; empty means 4/4 throughout

    // What the load recovered from, by MIDIDataRecovery.
    std::array<int32_t, kMIDIDataRecoveryKinds> recoveries{};

    std::wstring title;
    std::wstring subTitle;
    std::wstring copyright;
    std::wstring comment;
};

// Reads a Standard MIDI File held in memory; null when it is malformed.
std::unique_ptr<MIDIData> readStandardMidiFile(const uint8_t* bytes, size_t size, int32_t codePage);

// Builds the tempo and meter maps from the tempo and time-signature events
// of every track.
void buildTimeMaps(MIDIData& song);

// The code page set by MIDIDataLib_SetDefaultCharCode.
int32_t currentDefaultCodePage();

// Picks and decodes the title, subtitle, copyright and comment.
void readSongTexts(MIDIData& song, int32_t codePage);
