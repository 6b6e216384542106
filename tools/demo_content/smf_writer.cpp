#include "tools/demo_content/smf_writer.h"

#include <cassert>

void SmfTrackWriter::channelMessage(int32_t tick, std::initializer_list<uint8_t> message) {
    delta(tick);
    auto byte = message.begin();
    if (*byte == runningStatus_) ++byte;
    runningStatus_ = *message.begin();
    body_.insert(body_.end(), byte, message.end());
}

void SmfTrackWriter::meta(int32_t tick, uint8_t type, std::span<const uint8_t> data) {
    delta(tick);
    body_.push_back(0xFF);
    body_.push_back(type);
    variableLength(uint32_t(data.size()));
    body_.insert(body_.end(), data.begin(), data.end());
    runningStatus_ = 0;
}

void SmfTrackWriter::text(int32_t tick, uint8_t type, std::string_view text) {
    meta(tick, type, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

void SmfTrackWriter::systemExclusive(int32_t tick, std::span<const uint8_t> message) {
    assert(!message.empty() && message.front() == 0xF0);
    delta(tick);
    body_.push_back(0xF0);
    variableLength(uint32_t(message.size() - 1));
    body_.insert(body_.end(), message.begin() + 1, message.end());
    runningStatus_ = 0;
}

void SmfTrackWriter::endOfTrack(int32_t tick) { meta(tick, kMetaEndOfTrack, {}); }

void SmfTrackWriter::delta(int32_t tick) {
    assert(tick >= lastTick_ && "events are written in time order");
    variableLength(uint32_t(tick - lastTick_));
    lastTick_ = tick;
}

void SmfTrackWriter::variableLength(uint32_t value) {
    uint8_t groups[5];
    int count = 0;
    do {
        groups[count++] = uint8_t(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (count-- > 0) body_.push_back(uint8_t(groups[count] | (count > 0 ? 0x80 : 0)));
}

namespace {

void appendBigEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) out.push_back(uint8_t(value >> shift));
}

void appendChunkHeader(std::vector<uint8_t>& out, std::string_view id, size_t length) {
    out.insert(out.end(), id.begin(), id.end());
    appendBigEndian(out, uint32_t(length), 4);
}

}  // namespace

std::vector<uint8_t> formatZeroFile(uint16_t ticksPerQuarter, const SmfTrackWriter& track) {
    std::vector<uint8_t> file;
    appendChunkHeader(file, "MThd", 6);
    appendBigEndian(file, 0, 2);  // format 0
    appendBigEndian(file, 1, 2);  // one track
    appendBigEndian(file, ticksPerQuarter, 2);
    appendChunkHeader(file, "MTrk", track.body().size());
    file.insert(file.end(), track.body().begin(), track.body().end());
    return file;
}
