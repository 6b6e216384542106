// Builds Standard MIDI File bytes in a test, so each test shows its input:
//
//   SmfBuilder smf(480);
//   smf.track().noteOn(0, 9, 36, 100).noteOff(240, 9, 36).endOfTrack(1920);
//   std::vector<uint8_t> bytes = smf.bytes();
//
// Events are given at absolute ticks in the order they are to be stored;
// each is written with its full status byte. Every track ends with an
// end-of-track event, at the tick given to endOfTrack or else at its last
// event's tick.
#pragma once

#include <cassert>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <vector>

class SmfTrackBuilder {
public:
    SmfTrackBuilder& noteOn(int32_t tick, int channel, int key, int velocity) {
        return channelMessage(tick, {uint8_t(0x90 | channel), uint8_t(key), uint8_t(velocity)});
    }
    // A real note-off (0x8n) unless asked for a note-on with velocity 0.
    SmfTrackBuilder& noteOff(int32_t tick, int channel, int key, int velocity = 64) {
        return channelMessage(tick, {uint8_t(0x80 | channel), uint8_t(key), uint8_t(velocity)});
    }
    SmfTrackBuilder& controller(int32_t tick, int channel, int number, int value) {
        return channelMessage(tick, {uint8_t(0xB0 | channel), uint8_t(number), uint8_t(value)});
    }
    SmfTrackBuilder& programChange(int32_t tick, int channel, int program) {
        return channelMessage(tick, {uint8_t(0xC0 | channel), uint8_t(program)});
    }
    SmfTrackBuilder& tempo(int32_t tick, int32_t microsecondsPerQuarter) {
        return meta(tick, 0x51, {uint8_t(microsecondsPerQuarter >> 16),
                                 uint8_t(microsecondsPerQuarter >> 8),
                                 uint8_t(microsecondsPerQuarter)});
    }
    SmfTrackBuilder& meta(int32_t tick, int type, std::initializer_list<uint8_t> data) {
        std::vector<uint8_t> bytes = {0xFF, uint8_t(type)};
        appendVariableLength(bytes, static_cast<uint32_t>(data.size()));
        bytes.insert(bytes.end(), data.begin(), data.end());
        return event(tick, bytes);
    }
    // A system-exclusive event: F0, its length, then `data` (ending with F7).
    SmfTrackBuilder& sysex(int32_t tick, std::initializer_list<uint8_t> data) {
        std::vector<uint8_t> bytes = {0xF0};
        appendVariableLength(bytes, static_cast<uint32_t>(data.size()));
        bytes.insert(bytes.end(), data.begin(), data.end());
        return event(tick, bytes);
    }
    SmfTrackBuilder& endOfTrack(int32_t tick) {
        endTick_ = tick;
        return *this;
    }

    std::vector<uint8_t> chunk() const {
        std::vector<uint8_t> body = body_;
        const int32_t endTick = endTick_ >= lastTick_ ? endTick_ : lastTick_;
        appendVariableLength(body, static_cast<uint32_t>(endTick - lastTick_));
        body.insert(body.end(), {0xFF, 0x2F, 0x00});
        std::vector<uint8_t> out = {'M', 'T', 'r', 'k'};
        appendBigEndian32(out, static_cast<uint32_t>(body.size()));
        out.insert(out.end(), body.begin(), body.end());
        return out;
    }

    static void appendVariableLength(std::vector<uint8_t>& out, uint32_t value) {
        uint8_t groups[5];
        int count = 0;
        do {
            groups[count++] = static_cast<uint8_t>(value & 0x7F);
            value >>= 7;
        } while (value != 0);
        while (count > 1)
            out.push_back(static_cast<uint8_t>(groups[--count] | 0x80));
        out.push_back(groups[0]);
    }

    static void appendBigEndian32(std::vector<uint8_t>& out, uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8)
            out.push_back(static_cast<uint8_t>(value >> shift));
    }

private:
    SmfTrackBuilder& channelMessage(int32_t tick, std::initializer_list<uint8_t> bytes) {
        return event(tick, std::vector<uint8_t>(bytes));
    }

    SmfTrackBuilder& event(int32_t tick, const std::vector<uint8_t>& bytes) {
        assert(tick >= lastTick_ && "events are stored in time order");
        appendVariableLength(body_, static_cast<uint32_t>(tick - lastTick_));
        body_.insert(body_.end(), bytes.begin(), bytes.end());
        lastTick_ = tick;
        return *this;
    }

    std::vector<uint8_t> body_;
    int32_t lastTick_ = 0;
    int32_t endTick_ = -1;
};

class SmfBuilder {
public:
    // `division` is the header's division word: ticks per quarter note, or a
    // negative frame rate in the high byte for a time-code file.
    explicit SmfBuilder(uint16_t division = 480, uint16_t format = 1)
        : division_(division), format_(format) {}

    // A new track, after the ones made before; the reference stays valid.
    SmfTrackBuilder& track() { return tracks_.emplace_back(); }

    std::vector<uint8_t> bytes() const {
        std::vector<uint8_t> out = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
        appendBigEndian16(out, format_);
        appendBigEndian16(out, static_cast<uint16_t>(tracks_.size()));
        appendBigEndian16(out, division_);
        for (const SmfTrackBuilder& track : tracks_) {
            const std::vector<uint8_t> chunk = track.chunk();
            out.insert(out.end(), chunk.begin(), chunk.end());
        }
        return out;
    }

private:
    static void appendBigEndian16(std::vector<uint8_t>& out, uint16_t value) {
        out.push_back(static_cast<uint8_t>(value >> 8));
        out.push_back(static_cast<uint8_t>(value));
    }

    uint16_t division_;
    uint16_t format_;
    std::deque<SmfTrackBuilder> tracks_;  // a deque keeps references to tracks stable
};
