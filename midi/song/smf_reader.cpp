// Standard MIDI File reader: header, track chunks and their events.
// Every byte is read through a ByteCursor, so a lying length or a truncated
// file ends the track or the load instead of a read outside the buffer.
#include <algorithm>
#include <cstring>
#include <limits>
#include <span>

#include "midi/midi_bytes.h"
#include "midi/song/byte_cursor.h"
#include "midi/song/midi_data_song.h"

namespace {

constexpr size_t chunkHeaderSize = 8;

bool isChunkId(std::span<const uint8_t> id, const char* expected) {
    return std::memcmp(id.data(), expected, 4) == 0;
}

bool allDataBytes(std::span<const uint8_t> bytes) {
    for (uint8_t byte : bytes)
        if (isStatusByte(byte)) return false;
    return true;
}

// Tracks are read twice: a first pass checks every event and counts events,
// bytes and the irregularities recovered, so the second pass stores them in
// arrays of the exact size, with no reallocation to copy 24 MB of events
// around for a large file.
struct TrackCount {
    std::span<const uint8_t> chunk;
    size_t events = 0;
    size_t bytes = 0;
};

class EventCounter {
public:
    EventCounter(TrackCount& track, MIDIData& song) : track_(track), song_(song) {}
    void add(int32_t, std::span<const uint8_t> prefix, std::span<const uint8_t> body) {
        ++track_.events;
        track_.bytes += prefix.size() + body.size();
    }
    void recovered(MIDIDataRecovery kind) { ++song_.recoveries[static_cast<size_t>(kind)]; }

private:
    TrackCount& track_;
    MIDIData& song_;
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
    void recovered(MIDIDataRecovery) {}  // counted in the first pass

private:
    MIDIEvent* events_;
    uint8_t* pool_;
};

// How the events of a track chunk ended: at an end-of-track event or the
// end of the chunk; in the middle of an event, for want of bytes; or at
// bytes that no file may hold.
enum class TrackEnd { Complete, CutShort, Malformed };

// A failed variable-length read ran out of bytes when fewer than four were
// left; with four or more it met a number longer than four bytes.
TrackEnd failedNumber(const ByteCursor& cursor) {
    return cursor.remaining() < 4 ? TrackEnd::CutShort : TrackEnd::Malformed;
}

// Reads the events of one track chunk. Running status starts afresh in every
// track; meta and system-exclusive events end it, but a data byte after one
// resumes the last channel status, as players do. Meta events are kept as
// FF <type> <data>, system-exclusive events as F0 or F7 <data>, channel
// messages with their status byte. Stray system messages are skipped.
template <typename Sink>
TrackEnd readTrack(std::span<const uint8_t> chunk, Sink& sink) {
    ByteCursor cursor(chunk);
    int64_t tick = 0;
    uint8_t runningStatus = 0;      // 0 after a meta or system-exclusive event
    uint8_t lastChannelStatus = 0;  // what a data byte after one resumes
    while (!cursor.atEnd()) {
        auto delta = cursor.readVariableLength();
        if (!delta) return failedNumber(cursor);
        tick += *delta;
        if (tick > std::numeric_limits<int32_t>::max()) return TrackEnd::Malformed;
        auto time = static_cast<int32_t>(tick);

        auto first = cursor.peekByte();
        if (!first) return TrackEnd::CutShort;
        uint8_t prefix[2] = {*first, 0};

        // Channel messages first: they are nearly every event of a file.
        if (*first < kSystemExclusive) {
            if (isStatusByte(*first)) {
                runningStatus = lastChannelStatus = *first;
                cursor.skip(1);
            } else if (runningStatus == 0) {
                if (lastChannelStatus == 0) return TrackEnd::Malformed;  // a data byte with no status
                runningStatus = lastChannelStatus;
                sink.recovered(MIDIDataRecovery::ResumedRunningStatus);
            }
            auto data = cursor.readBytes(midiDataLength(runningStatus));
            if (!data) return TrackEnd::CutShort;
            if (!allDataBytes(*data)) return TrackEnd::Malformed;
            prefix[0] = runningStatus;
            sink.add(time, std::span<const uint8_t>(prefix, 1), *data);
            continue;
        }

        if (*first == kMetaEvent) {
            cursor.skip(1);
            auto type = cursor.readByte();
            if (!type) return TrackEnd::CutShort;
            prefix[1] = *type;
            auto length = cursor.readVariableLength();
            if (!length) {
                // An end-of-track has no data: only its length byte is lost.
                if (*type == 0x2F && cursor.atEnd()) sink.add(time, prefix, {});
                return failedNumber(cursor);
            }
            auto body = cursor.readBytes(*length);
            if (!body) return TrackEnd::CutShort;
            sink.add(time, prefix, *body);
            runningStatus = 0;
            if (*type == 0x2F) return TrackEnd::Complete;  // anything after it is padding
            continue;
        }

        if (*first == kSystemExclusive || *first == kEndOfExclusive) {
            cursor.skip(1);
            auto length = cursor.readVariableLength();
            if (!length) return failedNumber(cursor);
            auto body = cursor.readBytes(*length);
            if (!body) return TrackEnd::CutShort;
            sink.add(time, std::span<const uint8_t>(prefix, 1), *body);
            runningStatus = 0;
            continue;
        }

        // System common and real-time messages written from a live stream;
        // a file never plays them, and the running status stays.
        cursor.skip(1);
        auto data = cursor.readBytes(midiDataLength(*first));
        if (!data) return TrackEnd::CutShort;
        if (!allDataBytes(*data)) return TrackEnd::Malformed;
        sink.recovered(MIDIDataRecovery::StraySystemMessages);
    }
    return TrackEnd::Complete;  // a track without an end-of-track event is accepted
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
        readTrack(counts[t].chunk, store);  // ends as in the first pass, which read the same bytes

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
    if (bytes == nullptr || size > kMaxSongFileSize) return nullptr;
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
    if (format > 2 || !readDivision(division, *song) || trackCount == 0) return nullptr;

    // The track count only bounds the loop: nothing is sized from it, and a
    // file that ends early keeps the tracks it holds.
    std::vector<TrackCount> counts;
    while (counts.size() < trackCount && file.remaining() >= chunkHeaderSize) {
        auto id = *file.readBytes(4);
        uint32_t length = *file.readUint32BigEndian();
        bool cutShort = length > file.remaining();
        auto body = *file.readBytes(cutShort ? file.remaining() : length);
        if (!isChunkId(id, "MTrk")) {
            if (cutShort) break;
            continue;  // unknown chunks are skipped
        }
        TrackCount& count = counts.emplace_back();
        count.chunk = body;
        EventCounter counter(count, *song);
        TrackEnd end = readTrack(body, counter);
        if (end == TrackEnd::Malformed) return nullptr;
        // Only the end of the file can cut an event short; inside the file
        // it means the chunk length is wrong.
        if (end == TrackEnd::CutShort && !file.atEnd()) return nullptr;
        if (end == TrackEnd::CutShort) cutShort = true;
        bool emptyChunk = body.empty() && !cutShort;
        if (count.events == 0 && !emptyChunk) return nullptr;  // nothing of the track could be read
        if (cutShort) counter.recovered(MIDIDataRecovery::TruncatedTrack);
    }
    if (counts.empty()) return nullptr;
    song->recoveries[static_cast<size_t>(MIDIDataRecovery::MissingTracks)] =
        static_cast<int32_t>(trackCount - counts.size());
    storeTracks(counts, *song);

    findBeginAndEnd(*song);
    buildTimeMaps(*song);
    readSongTexts(*song, codePage);
    return song;
}
