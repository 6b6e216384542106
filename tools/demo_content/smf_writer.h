// Writes the one track of a format 0 Standard MIDI File from events given in
// time order at absolute ticks.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>
#include <vector>

class SmfTrackWriter {
public:
    // A channel message, status byte first. Running status is used: a
    // message with the same status as the one before drops its status byte.
    void channelMessage(int32_t tick, std::initializer_list<uint8_t> message);
    // FF <type> <length> <data>.
    void meta(int32_t tick, uint8_t type, std::span<const uint8_t> data);
    void text(int32_t tick, uint8_t type, std::string_view text);
    // A whole system-exclusive message, F0 ... F7, stored as F0 <length> ....
    void systemExclusive(int32_t tick, std::span<const uint8_t> message);
    void endOfTrack(int32_t tick);

    const std::vector<uint8_t>& body() const { return body_; }

private:
    void delta(int32_t tick);
    void variableLength(uint32_t value);

    std::vector<uint8_t> body_;
    int32_t lastTick_ = 0;
    uint8_t runningStatus_ = 0;  // 0 after a meta or system-exclusive event, which cancel it
};

// MThd (format 0, one track, `ticksPerQuarter`) and the MTrk chunk.
std::vector<uint8_t> formatZeroFile(uint16_t ticksPerQuarter, const SmfTrackWriter& track);

// Meta event types.
constexpr uint8_t kMetaText = 0x01;
constexpr uint8_t kMetaCopyright = 0x02;
constexpr uint8_t kMetaTrackName = 0x03;
constexpr uint8_t kMetaEndOfTrack = 0x2F;
constexpr uint8_t kMetaTempo = 0x51;
constexpr uint8_t kMetaTimeSignature = 0x58;
