#include "fuzz/engine_input.h"

#include <algorithm>

#include "midi/midi_bytes.h"

namespace {

// Longest body of a received system-exclusive message the input describes.
constexpr uint8_t kLongestSysExBody = 64;

int32_t advanceOf(uint8_t time) {
    return time < 200 ? time : 200 + (time - 200) * 10;
}

}  // namespace

uint8_t EngineInputReader::byte() {
    return atEnd() ? 0 : data_[position_++];
}

EngineSettings EngineInputReader::settings() {
    EngineSettings s;
    s.midiInSyncMode = byte() % 3;
    s.midiOutSyncMode = byte() % 6;
    s.tempoMode = byte() & 1;
    const uint8_t flags = byte();
    s.midiThru = flags & 1;
    s.syncStart = flags & 2;
    s.syncStop = flags & 4;
    s.pattern = byte();
    s.tempo = byte() << 16;
    s.tempo |= byte() << 8;
    s.tempo |= byte();
    s.groupLevel = byte();
    s.masterLevel = byte();
    s.groupsOff = byte();
    s.timeMotion = byte();
    return s;
}

std::optional<EngineStep> EngineInputReader::nextStep() {
    if (atEnd()) return std::nullopt;
    EngineStep step;
    step.advanceMs = advanceOf(byte());
    const uint8_t kind = byte();
    if (isStatusByte(kind)) {
        step.received.push_back(kind);
        if (kind == kSystemExclusive) {
            const uint8_t length = byte() % (kLongestSysExBody + 1);
            for (uint8_t i = 0; i < length; ++i) step.received.push_back(byte() & 0x7F);
            step.received.push_back(kEndOfExclusive);
        } else {
            for (int32_t i = 0; i < midiDataLength(kind); ++i) step.received.push_back(byte() & 0x7F);
        }
        return step;
    }
    step.action = static_cast<UserAction>(kind % 8);
    switch (step.action) {
    case UserAction::TempoScroll:
        step.first = byte();
        step.second = byte();
        break;
    case UserAction::GroupSwitch:
    case UserAction::PatternChange:
    case UserAction::TempoMode: step.first = byte(); break;
    default: break;
    }
    return step;
}

EngineInputWriter::EngineInputWriter(const EngineSettings& s) {
    bytes_ = {static_cast<uint8_t>(s.midiInSyncMode),
              static_cast<uint8_t>(s.midiOutSyncMode),
              static_cast<uint8_t>(s.tempoMode),
              static_cast<uint8_t>((s.midiThru ? 1 : 0) | (s.syncStart ? 2 : 0) | (s.syncStop ? 4 : 0)),
              static_cast<uint8_t>(s.pattern),
              static_cast<uint8_t>(s.tempo >> 16),
              static_cast<uint8_t>(s.tempo >> 8),
              static_cast<uint8_t>(s.tempo),
              static_cast<uint8_t>(s.groupLevel),
              static_cast<uint8_t>(s.masterLevel),
              s.groupsOff,
              s.timeMotion};
}

// A delay of 200 ms or more goes in Wait steps of whole tens of
// milliseconds; the rest, under 200, rides on the step itself.
uint8_t EngineInputWriter::timeByte(int32_t ms) {
    while (ms >= 200) {
        const int32_t tens = std::min((ms - 200) / 10, 55);
        bytes_.push_back(static_cast<uint8_t>(200 + tens));
        bytes_.push_back(static_cast<uint8_t>(UserAction::Wait));
        ms -= 200 + tens * 10;
    }
    return static_cast<uint8_t>(ms < 0 ? 0 : ms);
}

EngineInputWriter& EngineInputWriter::wait(int32_t ms) {
    return act(ms, UserAction::Wait);
}

EngineInputWriter& EngineInputWriter::receive(int32_t afterMs, const std::vector<uint8_t>& message) {
    bytes_.push_back(timeByte(afterMs));
    if (!message.empty() && message[0] == kSystemExclusive) {
        // F0, the body's length, the body; the reader adds the F7.
        const size_t end = message.back() == kEndOfExclusive ? message.size() - 1 : message.size();
        bytes_.push_back(kSystemExclusive);
        bytes_.push_back(static_cast<uint8_t>(end - 1));
        bytes_.insert(bytes_.end(), message.begin() + 1, message.begin() + static_cast<ptrdiff_t>(end));
    } else {
        bytes_.insert(bytes_.end(), message.begin(), message.end());
    }
    return *this;
}

EngineInputWriter& EngineInputWriter::act(int32_t afterMs, UserAction action, uint8_t first, uint8_t second) {
    bytes_.push_back(timeByte(afterMs));
    bytes_.push_back(static_cast<uint8_t>(action));
    switch (action) {
    case UserAction::TempoScroll:
        bytes_.push_back(first);
        bytes_.push_back(second);
        break;
    case UserAction::GroupSwitch:
    case UserAction::PatternChange:
    case UserAction::TempoMode: bytes_.push_back(first); break;
    default: break;
    }
    return *this;
}
