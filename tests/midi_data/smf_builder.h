// Writes Standard MIDI File bytes for tests, so that every test shows its
// input: SmfBuilder(1, 480).track().noteOn(0, 9, 36, 100).endOfTrack(1920).
// Ticks are absolute; the builder writes the delta times. Nothing is
// checked, so malformed files can be written on purpose.
#pragma once

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <string>
#include <vector>

class SmfBuilder {
public:
    class Track {
    public:
        Track& noteOn(uint64_t tick, int channel, int key, int velocity) {
            return message(tick, {uint8_t(0x90 | channel), uint8_t(key), uint8_t(velocity)});
        }
        Track& noteOff(uint64_t tick, int channel, int key, int velocity = 0) {
            return message(tick, {uint8_t(0x80 | channel), uint8_t(key), uint8_t(velocity)});
        }
        // The bytes go into the file as given: leave out the status byte to
        // write running status.
        Track& message(uint64_t tick, std::initializer_list<uint8_t> bytes) {
            delta(tick);
            raw(bytes);
            return *this;
        }
        Track& meta(uint64_t tick, uint8_t type, const std::vector<uint8_t>& body) {
            delta(tick);
            raw({0xFF, type});
            lengthAndBody(body);
            return *this;
        }
        Track& text(uint64_t tick, uint8_t type, const std::string& body) {
            return meta(tick, type, std::vector<uint8_t>(body.begin(), body.end()));
        }
        Track& trackName(uint64_t tick, const std::string& name) { return text(tick, 0x03, name); }
        Track& tempo(uint64_t tick, uint32_t microsecondsPerQuarter) {
            return meta(tick, 0x51, {uint8_t(microsecondsPerQuarter >> 16),
                                     uint8_t(microsecondsPerQuarter >> 8), uint8_t(microsecondsPerQuarter)});
        }
        // denominatorPower: 2 for quarter notes, 3 for eighths.
        Track& timeSignature(uint64_t tick, int beats, int denominatorPower) {
            return meta(tick, 0x58, {uint8_t(beats), uint8_t(denominatorPower), 24, 8});
        }
        // `body` follows the F0 (or F7) and its length, final F7 included.
        Track& sysex(uint64_t tick, uint8_t status, const std::vector<uint8_t>& body) {
            delta(tick);
            raw({status});
            lengthAndBody(body);
            return *this;
        }
        Track& endOfTrack(uint64_t tick) { return meta(tick, 0x2F, {}); }

        Track& delta(uint64_t tick) {
            variableLength(tick - lastTick_);
            lastTick_ = tick;
            return *this;
        }
        Track& variableLength(uint64_t value) {
            uint8_t groups[10];
            int count = 0;
            do {
                groups[count++] = value & 0x7F;
                value >>= 7;
            } while (value != 0);
            while (count > 0) {
                --count;
                bytes_.push_back(uint8_t(groups[count] | (count > 0 ? 0x80 : 0)));
            }
            return *this;
        }
        Track& raw(std::initializer_list<uint8_t> bytes) {
            bytes_.insert(bytes_.end(), bytes);
            return *this;
        }
        Track& raw(const std::vector<uint8_t>& bytes) {
            bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
            return *this;
        }
        const std::vector<uint8_t>& bytes() const { return bytes_; }

    private:
        void lengthAndBody(const std::vector<uint8_t>& body) {
            variableLength(body.size());
            raw(body);
        }
        std::vector<uint8_t> bytes_;
        uint64_t lastTick_ = 0;
    };

    // division: ticks per quarter note, or 0x8000 | (-fps << 8) | ticks per frame.
    explicit SmfBuilder(uint16_t format = 1, uint16_t division = 480)
        : format_(format), division_(division) {}

    Track& track() {
        chunks_.push_back({"MTrk", {}});
        return chunks_.back().track;
    }
    // A chunk the reader does not know, to be skipped.
    SmfBuilder& chunk(const std::string& id, const std::vector<uint8_t>& body) {
        chunks_.push_back({id, {}});
        chunks_.back().track.raw(body);
        return *this;
    }
    // The track count written in the header; by default the number of tracks.
    SmfBuilder& declaredTrackCount(uint16_t count) {
        declaredTrackCount_ = count;
        return *this;
    }

    std::vector<uint8_t> bytes() const {
        std::vector<uint8_t> out;
        uint16_t trackCount = 0;
        for (const Chunk& c : chunks_) trackCount += c.id == "MTrk";
        if (declaredTrackCount_ >= 0) trackCount = uint16_t(declaredTrackCount_);
        appendChunkHeader(out, "MThd", 6);
        appendUint16(out, format_);
        appendUint16(out, trackCount);
        appendUint16(out, division_);
        for (const Chunk& c : chunks_) {
            appendChunkHeader(out, c.id, uint32_t(c.track.bytes().size()));
            out.insert(out.end(), c.track.bytes().begin(), c.track.bytes().end());
        }
        return out;
    }

private:
    struct Chunk {
        std::string id;
        Track track;
    };
    static void appendUint16(std::vector<uint8_t>& out, uint16_t value) {
        out.push_back(uint8_t(value >> 8));
        out.push_back(uint8_t(value));
    }
    static void appendChunkHeader(std::vector<uint8_t>& out, const std::string& id, uint32_t length) {
        for (char c : id) out.push_back(uint8_t(c));
        for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(length >> shift));
    }

    uint16_t format_;
    uint16_t division_;
    int declaredTrackCount_ = -1;
    std::deque<Chunk> chunks_;  // a deque keeps returned tracks in place
};
