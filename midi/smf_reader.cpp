// Standard MIDI File reader: header, track chunks and their events.
// Every byte is read through a ByteCursor, so a lying length or a truncated
// file ends the load instead of a read outside the buffer.
#include <algorithm>
#include <cstring>
#include <limits>
#include <span>

#include "midi/byte_cursor.h"
#include "midi/midi_data_song.h"

namespace {

constexpr size_t maxFileSize = size_t{64} << 20;
constexpr size_t chunkHeaderSize = 8;

bool isChunkId(std::span<const uint8_t> id, const char* expected) {
    return std::memcmp(id.data(), expected, 4) == 0;
}

// Data bytes that follow a channel status byte.
int32_t channelDataLength(uint8_t status) {
    uint8_t kind = status & 0xF0;
    return (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
}

struct TrackSlice {
    size_t firstEvent;
    size_t eventCount;
};

// Collects events into the song's arrays while the tracks are read.
class SongBuilder {
public:
    SongBuilder(MIDIData& song, size_t poolCapacity)
        : song_(song), poolCapacity_(poolCapacity) {
        song_.bytePool.reset(new uint8_t[std::max<size_t>(poolCapacity, 1)]);
    }

    // Reserves room for an event's bytes in the pool. The stored form of an
    // event is never longer than its form in the file, so the pool sized
    // from the file cannot run out; the check keeps that promise honest.
    uint8_t* addEvent(int32_t tick, size_t length) {
        if (length > poolCapacity_ - poolUsed_) return nullptr;
        uint8_t* bytes = song_.bytePool.get() + poolUsed_;
        poolUsed_ += length;
        song_.events.push_back({tick, static_cast<int32_t>(length), bytes, nullptr});
        return bytes;
    }

    void beginTrack() { slices_.push_back({song_.events.size(), 0}); }
    void endTrack() { slices_.back().eventCount = song_.events.size() - slices_.back().firstEvent; }

    // Links tracks and events once the event array has its final address.
    void finish() {
        song_.events.shrink_to_fit();
        song_.tracks.resize(slices_.size());
        for (size_t t = 0; t < slices_.size(); ++t) {
            MIDITrack& track = song_.tracks[t];
            const TrackSlice& slice = slices_[t];
            MIDIEvent* first = slice.eventCount ? song_.events.data() + slice.firstEvent : nullptr;
            for (size_t e = 0; e + 1 < slice.eventCount; ++e) first[e].next = &first[e + 1];
            track.firstEvent = first;
            track.events = first;
            track.eventCount = static_cast<int32_t>(slice.eventCount);
            track.nextTrack = (t + 1 < slices_.size()) ? &song_.tracks[t + 1] : nullptr;
        }
    }

private:
    MIDIData& song_;
    size_t poolCapacity_;
    size_t poolUsed_ = 0;
    std::vector<TrackSlice> slices_;
};

// Reads the events of one track chunk. Running status starts afresh in every
// track and is cancelled by meta and system-exclusive events.
bool readTrack(std::span<const uint8_t> chunk, SongBuilder& builder) {
    ByteCursor cursor(chunk);
    int64_t tick = 0;
    uint8_t runningStatus = 0;
    while (!cursor.atEnd()) {
        auto delta = cursor.readVariableLength();
        if (!delta) return false;
        tick += *delta;
        if (tick > std::numeric_limits<int32_t>::max()) return false;
        auto time = static_cast<int32_t>(tick);

        auto first = cursor.readByte();
        if (!first) return false;

        if (*first == 0xFF) {
            auto type = cursor.readByte();
            auto length = cursor.readVariableLength();
            if (!type || !length) return false;
            auto body = cursor.readBytes(*length);
            if (!body) return false;
            uint8_t* out = builder.addEvent(time, 2 + body->size());
            if (!out) return false;
            out[0] = 0xFF;
            out[1] = *type;
            std::copy(body->begin(), body->end(), out + 2);
            runningStatus = 0;
            if (*type == 0x2F) return true;  // end of track; anything after it is padding
            continue;
        }

        if (*first == 0xF0 || *first == 0xF7) {
            auto length = cursor.readVariableLength();
            if (!length) return false;
            auto body = cursor.readBytes(*length);
            if (!body) return false;
            uint8_t* out = builder.addEvent(time, 1 + body->size());
            if (!out) return false;
            out[0] = *first;
            std::copy(body->begin(), body->end(), out + 1);
            runningStatus = 0;
            continue;
        }

        uint8_t status = *first;
        bool usesRunningStatus = status < 0x80;
        if (usesRunningStatus) {
            if (runningStatus == 0) return false;  // a data byte with no status before it
            status = runningStatus;
        } else if (status >= 0xF0) {
            return false;  // system common and real-time messages have no place in a file
        }

        int32_t dataLength = channelDataLength(status);
        uint8_t* out = builder.addEvent(time, 1 + static_cast<size_t>(dataLength));
        if (!out) return false;
        out[0] = status;
        for (int32_t i = 0; i < dataLength; ++i) {
            std::optional<uint8_t> data = (usesRunningStatus && i == 0) ? first : cursor.readByte();
            if (!data || *data >= 0x80) return false;
            out[1 + i] = *data;
        }
        runningStatus = status;
    }
    return true;  // a track without an end-of-track event is accepted
}

bool readDivision(uint16_t division, MIDIData& song) {
    if (division & 0x8000) {
        // Upper byte: negative frames per second (-24, -25, -29, -30).
        int32_t framesPerSecond = -static_cast<int8_t>(division >> 8);
        if (framesPerSecond != 24 && framesPerSecond != 25 && framesPerSecond != 29 &&
            framesPerSecond != 30)
            return false;
        song.timeMode = framesPerSecond;
        song.resolution = division & 0xFF;
    } else {
        song.timeMode = 0;
        song.resolution = division;
    }
    return song.resolution > 0;
}

void findBeginAndEnd(MIDIData& song) {
    bool any = false;
    for (const MIDITrack& track : song.tracks) {
        if (track.eventCount == 0) continue;
        int32_t first = track.events[0].time;
        int32_t last = track.events[track.eventCount - 1].time;
        song.beginTime = any ? std::min(song.beginTime, first) : first;
        song.endTime = any ? std::max(song.endTime, last) : last;
        any = true;
    }
}

}  // namespace

std::unique_ptr<MIDIData> readStandardMidiFile(const uint8_t* bytes, size_t size, int32_t codePage) {
    if (bytes == nullptr || size > maxFileSize) return nullptr;
    ByteCursor file(std::span<const uint8_t>(bytes, size));

    auto headerId = file.readBytes(4);
    auto headerLength = file.readUint32BigEndian();
    if (!headerId || !isChunkId(*headerId, "MThd") || !headerLength || *headerLength < 6)
        return nullptr;
    auto header = file.readBytes(*headerLength);
    if (!header) return nullptr;
    ByteCursor headerCursor(*header);
    uint16_t format = *headerCursor.readUint16BigEndian();
    uint16_t trackCount = *headerCursor.readUint16BigEndian();
    uint16_t division = *headerCursor.readUint16BigEndian();

    auto song = std::make_unique<MIDIData>();
    song->format = format;
    if (format > 2 || !readDivision(division, *song)) return nullptr;
    // Every track needs at least a chunk header, so a count the remaining
    // bytes cannot hold is a lie.
    if (trackCount == 0 || trackCount > file.remaining() / chunkHeaderSize) return nullptr;

    SongBuilder builder(*song, size);
    size_t tracksRead = 0;
    while (tracksRead < trackCount) {
        auto id = file.readBytes(4);
        auto length = file.readUint32BigEndian();
        if (!id || !length) return nullptr;
        auto body = file.readBytes(*length);
        if (!body) return nullptr;
        if (!isChunkId(*id, "MTrk")) continue;  // unknown chunks are skipped
        builder.beginTrack();
        if (!readTrack(*body, builder)) return nullptr;
        builder.endTrack();
        ++tracksRead;
    }
    builder.finish();

    findBeginAndEnd(*song);
    buildTimeMaps(*song);
    readSongTexts(*song, codePage);
    return song;
}
