// Builds Standard MIDI File bytes in a test, so each test shows its input:
//
//   SmfBuilder smf(480);
//   smf.track().noteOn(0, 9, 36, 100).noteOff(240, 9, 36).endOfTrack(1920);
//   std::vector<uint8_t> bytes = smf.bytes();
//
// Events are given at absolute ticks in the order they are to be stored;
// the builder writes the delta times. A track from track() ends with an
// end-of-track event: the one endOfTrack writes, or else one at its last
// event's tick. A track from rawTrack() holds exactly the bytes written to
// it. message() and raw() write their bytes as given, so running status and
// malformed files can be written on purpose.
#pragma once

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <string>
#include <vector>

class SmfTrackBuilder {
public:
    explicit SmfTrackBuilder(bool addsEndOfTrack = true) : addsEndOfTrack_(addsEndOfTrack) {}

    SmfTrackBuilder& noteOn(uint64_t tick, int channel, int key, int velocity) {
        return message(tick, {uint8_t(0x90 | channel), uint8_t(key), uint8_t(velocity)});
    }
    // A real note-off (0x8n); a note-on with velocity 0 is written with noteOn.
    SmfTrackBuilder& noteOff(uint64_t tick, int channel, int key, int velocity = 64) {
        return message(tick, {uint8_t(0x80 | channel), uint8_t(key), uint8_t(velocity)});
    }
    SmfTrackBuilder& controller(uint64_t tick, int channel, int number, int value) {
        return message(tick, {uint8_t(0xB0 | channel), uint8_t(number), uint8_t(value)});
    }
    SmfTrackBuilder& programChange(uint64_t tick, int channel, int program) {
        return message(tick, {uint8_t(0xC0 | channel), uint8_t(program)});
    }
    // The bytes go into the file as given: leave out the status byte to
    // write running status.
    SmfTrackBuilder& message(uint64_t tick, std::initializer_list<uint8_t> bytes) {
        delta(tick);
        return raw(bytes);
    }

    SmfTrackBuilder& meta(uint64_t tick, uint8_t type, const std::vector<uint8_t>& body) {
        delta(tick);
        raw({0xFF, type});
        return lengthAndBody(body);
    }
    SmfTrackBuilder& text(uint64_t tick, uint8_t type, const std::string& body) {
        return meta(tick, type, std::vector<uint8_t>(body.begin(), body.end()));
    }
    SmfTrackBuilder& trackName(uint64_t tick, const std::string& name) { return text(tick, 0x03, name); }
    SmfTrackBuilder& tempo(uint64_t tick, uint32_t microsecondsPerQuarter) {
        return meta(tick, 0x51, {uint8_t(microsecondsPerQuarter >> 16), uint8_t(microsecondsPerQuarter >> 8),
                                 uint8_t(microsecondsPerQuarter)});
    }
    // denominatorPower: 2 for quarter notes, 3 for eighths.
    SmfTrackBuilder& timeSignature(uint64_t tick, int beats, int denominatorPower) {
        return meta(tick, 0x58, {uint8_t(beats), uint8_t(denominatorPower), 24, 8});
    }

    // A system-exclusive event: F0, its length, then `body` (ending with F7).
    SmfTrackBuilder& sysex(uint64_t tick, const std::vector<uint8_t>& body) { return sysex(tick, 0xF0, body); }
    // The same with the status given: F7 for an escape or a continuation.
    SmfTrackBuilder& sysex(uint64_t tick, uint8_t status, const std::vector<uint8_t>& body) {
        delta(tick);
        raw({status});
        return lengthAndBody(body);
    }

    // Never before the last event written.
    SmfTrackBuilder& endOfTrack(uint64_t tick) {
        meta(std::max(tick, lastTick_), 0x2F, {});
        ended_ = true;
        return *this;
    }

    SmfTrackBuilder& delta(uint64_t tick) {
        assert(tick >= lastTick_ && "events are stored in time order");
        variableLength(tick - lastTick_);
        lastTick_ = tick;
        return *this;
    }
    SmfTrackBuilder& variableLength(uint64_t value) {
        uint8_t groups[10];
        int count = 0;
        do {
            groups[count++] = uint8_t(value & 0x7F);
            value >>= 7;
        } while (value != 0);
        while (count > 0) {
            --count;
            body_.push_back(uint8_t(groups[count] | (count > 0 ? 0x80 : 0)));
        }
        return *this;
    }
    SmfTrackBuilder& raw(std::initializer_list<uint8_t> bytes) {
        body_.insert(body_.end(), bytes);
        return *this;
    }
    SmfTrackBuilder& raw(const std::vector<uint8_t>& bytes) {
        body_.insert(body_.end(), bytes.begin(), bytes.end());
        return *this;
    }

    // What the track chunk holds, the end-of-track added where it is due.
    std::vector<uint8_t> bytes() const {
        if (!addsEndOfTrack_ || ended_) return body_;
        SmfTrackBuilder ended = *this;
        ended.endOfTrack(lastTick_);
        return ended.body_;
    }

private:
    SmfTrackBuilder& lengthAndBody(const std::vector<uint8_t>& body) {
        variableLength(body.size());
        return raw(body);
    }

    std::vector<uint8_t> body_;
    uint64_t lastTick_ = 0;
    bool addsEndOfTrack_;
    bool ended_ = false;
};

class SmfBuilder {
public:
    // `division` is the header's division word: ticks per quarter note, or
    // 0x8000 | (-fps << 8) | ticks per frame for a time-code file.
    explicit SmfBuilder(uint16_t division = 480, uint16_t format = 1) : division_(division), format_(format) {}

    // A new track, after the chunks made before; the reference stays valid.
    SmfTrackBuilder& track() { return chunks_.emplace_back(Chunk{"MTrk", SmfTrackBuilder(true)}).track; }
    // A track without the automatic end-of-track: its chunk holds only
    // what is written to it.
    SmfTrackBuilder& rawTrack() { return chunks_.emplace_back(Chunk{"MTrk", SmfTrackBuilder(false)}).track; }
    // A chunk the reader does not know, to be skipped.
    SmfBuilder& chunk(const std::string& id, const std::vector<uint8_t>& body) {
        chunks_.push_back({id, SmfTrackBuilder(false)});
        chunks_.back().track.raw(body);
        return *this;
    }
    // The track count written in the header; by default the number of tracks.
    SmfBuilder& declaredTrackCount(uint16_t count) {
        declaredTrackCount_ = count;
        return *this;
    }

    std::vector<uint8_t> bytes() const {
        uint16_t trackCount = 0;
        for (const Chunk& c : chunks_) trackCount += c.id == "MTrk";
        if (declaredTrackCount_ >= 0) trackCount = uint16_t(declaredTrackCount_);
        std::vector<uint8_t> out;
        appendChunkHeader(out, "MThd", 6);
        appendUint16(out, format_);
        appendUint16(out, trackCount);
        appendUint16(out, division_);
        for (const Chunk& c : chunks_) {
            const std::vector<uint8_t> body = c.track.bytes();
            appendChunkHeader(out, c.id, uint32_t(body.size()));
            out.insert(out.end(), body.begin(), body.end());
        }
        return out;
    }

private:
    struct Chunk {
        std::string id;
        SmfTrackBuilder track;
    };
    static void appendUint16(std::vector<uint8_t>& out, uint16_t value) {
        out.push_back(uint8_t(value >> 8));
        out.push_back(uint8_t(value));
    }
    static void appendChunkHeader(std::vector<uint8_t>& out, const std::string& id, uint32_t length) {
        for (char c : id) out.push_back(uint8_t(c));
        for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(length >> shift));
    }

    uint16_t division_;
    uint16_t format_;
    int declaredTrackCount_ = -1;
    std::deque<Chunk> chunks_;  // a deque keeps references to tracks valid
};

// Closed hi-hat on every eighth note of a 4/4 bar, 480 ticks per quarter: a
// grid to time the program's notes against.
inline std::vector<uint8_t> hiHatEighths() {
    SmfBuilder smf(480);
    auto& track = smf.track();
    for (uint32_t eighth = 0; eighth < 8; ++eighth) track.noteOn(eighth * 240, 9, 42, 100).noteOn(eighth * 240 + 60, 9, 42, 0);
    track.endOfTrack(1920);
    return smf.bytes();
}
