// Loading built files and reading back what the song holds, for tests.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "midi/song/midi_data.h"

struct SongDeleter {
    void operator()(MIDIData* song) const { MIDIData_Delete(song); }
};
using SongPtr = std::unique_ptr<MIDIData, SongDeleter>;

inline SongPtr loadSong(const std::vector<uint8_t>& bytes) {
    return SongPtr(MIDIData_LoadFromMemory(bytes.data(), bytes.size()));
}

struct StoredEvent {
    int32_t time;
    std::vector<uint8_t> bytes;
    bool operator==(const StoredEvent&) const = default;
};

inline std::vector<StoredEvent> eventsOf(const MIDITrack* track) {
    std::vector<StoredEvent> events;
    for (MIDIEvent* e = MIDITrack_GetFirstEvent(track); e; e = MIDIEvent_GetNextEvent(e))
        events.push_back({e->time, std::vector<uint8_t>(e->data, e->data + e->length)});
    return events;
}

inline MIDITrack* trackAt(const MIDIData* song, int index) {
    MIDITrack* track = MIDIData_GetFirstTrack(song);
    while (track && index-- > 0) track = MIDITrack_GetNextTrack(track);
    return track;
}

inline std::wstring titleOf(const MIDIData* song) {
    wchar_t buffer[1024];
    MIDIData_GetTitleW(song, buffer, 1024);
    return buffer;
}
