// Standard MIDI File reader: header, track chunks and their events.
// Every byte is read through a ByteCursor, so a lying length or a truncated
// file ends the load instead of a read outside the buffer.
#include <algorithm>
#include <cstring>
#include <limits>
#include <span>

#include "midi/song/byte_cursor.h"
#include "midi/song/midi_data_song.h"

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

// Tracks are read twice: a first pass checks every event and counts events
// and bytes, so the second pass stores them in arrays of the exact size,
// with no reallocation to copy 24 MB of events around for a large file.
struct TrackCount {
    std::span<const uint8_t> chunk;
    size_t events = 0;
    size_t bytes = 0;
};

class EventCounter {
public:
    explicit EventCounter(TrackCount& track) : track_(track) {}
    void add(int32_t, std::span<const uint8_t> prefix, std::span<const uint8_t> body) {
        ++track_.events;
        track_.bytes += prefix.size() + body.size();
    }

private:
    TrackCount& track_;
};

class EventStore {
public:
    EventStore(MIDIEvent* events, uint8_t* pool) : events_(events), pool_(pool) {}
    void add(int32_t tick, std::span<const uint8_t> prefix, std::span<const uint8_t> body) {
        std::copy(prefix.begin(), prefix.end(), pool_);
        std::copy(body.begin(), body.end(), pool_ + prefix.size());
        auto length = prefix.size() + body.size();
        *events_++ = {tick, static_cast<int32_t>(length), pool_, nullptr};
        pool_ += length;
    }

private:
    MIDIEvent* events_;
    uint8_t* pool_;
};

// Reads the events of one track chunk. Running status starts afresh in every
// track and is cancelled by meta and system-exclusive events. Meta events
// are kept as FF <type> <data>, system-exclusive events as F0 or F7 <data>,
// channel messages with their status byte.
template <typename Sink>
bool readTrack(std::span<const uint8_t> chunk, Sink& sink) {
    ByteCursor cursor(chunk);
    int64_t tick = 0;
    uint8_t runningStatus = 0;
    while (!cursor.atEnd()) {
        auto delta = cursor.readVariableLength();
        if (!delta) return false;
        tick += *delta;
        if (tick > std::numeric_limits<int32_t>::max()) return false;
        auto time = static_cast<int32_t>(tick);

        auto first = cursor.peekByte();
        if (!first) return false;
        uint8_t prefix[2] = {*first, 0};

        if (*first == 0xFF) {
            cursor.skip(1);
            auto type = cursor.readByte();
            auto length = cursor.readVariableLength();
            if (!type || !length) return false;
            auto body = cursor.readBytes(*length);
            if (!body) return false;
            prefix[1] = *type;
            sink.add(time, prefix, *body);
            runningStatus = 0;
            if (*type == 0x2F) return true;  // end of track; anything after it is padding
            continue;
        }

        if (*first == 0xF0 || *first == 0xF7) {
            cursor.skip(1);
            auto length = cursor.readVariableLength();
            if (!length) return false;
            auto body = cursor.readBytes(*length);
            if (!body) return false;
            sink.add(time, std::span<const uint8_t>(prefix, 1), *body);
            runningStatus = 0;
            continue;
        }

        if (*first >= 0x80) {
            // System common and real-time messages have no place in a file.
            if (*first >= 0xF0) return false;
            runningStatus = *first;
            cursor.skip(1);
        } else if (runningStatus == 0) {
            return false;  // a data byte with no status before it
        }
        auto data = cursor.readBytes(channelDataLength(runningStatus));
        if (!data) return false;
        for (uint8_t byte : *data)
            if (byte >= 0x80) return false;
        prefix[0] = runningStatus;
        sink.add(time, std::span<const uint8_t>(prefix, 1), *data);
    }
    return true;  // a track without an end-of-track event is accepted
}

// Stores the counted tracks in the song's arrays and links them.
void storeTracks(const std::vector<TrackCount>& counts, MIDIData& song) {
    size_t eventTotal = 0;
    size_t byteTotal = 0;
    for (const TrackCount& count : counts) {
        eventTotal += count.events;
        byteTotal += count.bytes;
    }
    song.events.resize(eventTotal);
    song.bytePool.reset(new uint8_t[std::max<size_t>(byteTotal, 1)]);
    song.tracks.resize(counts.size());

    MIDIEvent* events = song.events.data();
    uint8_t* pool = song.bytePool.get();
    for (size_t t = 0; t < counts.size(); ++t) {
        EventStore store(events, pool);
        readTrack(counts[t].chunk, store);  // cannot fail: the first pass read the same bytes

        MIDITrack& track = song.tracks[t];
        size_t count = counts[t].events;
        for (size_t e = 0; e + 1 < count; ++e) events[e].next = &events[e + 1];
        track.firstEvent = count ? events : nullptr;
        track.events = track.firstEvent;
        track.eventCount = static_cast<int32_t>(count);
        track.nextTrack = (t + 1 < counts.size()) ? &song.tracks[t + 1] : nullptr;
        events += count;
        pool += counts[t].bytes;
    }
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

    std::vector<TrackCount> counts;
    while (counts.size() < trackCount) {
        auto id = file.readBytes(4);
        auto length = file.readUint32BigEndian();
        if (!id || !length) return nullptr;
        auto body = file.readBytes(*length);
        if (!body) return nullptr;
        if (!isChunkId(*id, "MTrk")) continue;  // unknown chunks are skipped
        TrackCount& count = counts.emplace_back();
        count.chunk = *body;
        EventCounter counter(count);
        if (!readTrack(*body, counter)) return nullptr;
    }
    storeTracks(counts, *song);

    findBeginAndEnd(*song);
    buildTimeMaps(*song);
    readSongTexts(*song, codePage);
    return song;
}
