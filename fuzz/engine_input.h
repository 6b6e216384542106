// The engine fuzzer's input: a few setting bytes, then a stream of steps.
// Each step lets time pass and then delivers one received MIDI message or
// one user action. The writer builds the same bytes for the seed corpus.
//
//   settings  12 bytes (missing ones read as 0):
//     0 MIDIInSyncMode % 3        1 MIDIOutSyncMode % 6      2 TempoMode & 1
//     3 bit 0 MIDIThru, bit 1 SyncStart, bit 2 SyncStop
//     4 pattern (index into the built-in patterns, modulo their count)
//     5..7 stored Tempo, microseconds per quarter note, big-endian (0 as stored)
//     8 drum group level   9 master level   10 drum groups switched off, bit g-1
//     11 time motion: 0, time stands still while the engine works; n, each
//        reading of the time source inside a pass moves it on by a
//        pseudo-random 0 to n * 300 / 255 us (seeded by n), as work takes
//        time on a real machine
//   step      time byte, then a kind byte and its payload:
//     time      0..199 ms as it stands; 200..255 as 200 + (t - 200) * 10 ms
//     0x80-0xFF a received message with that status byte: its data bytes
//               follow (0xF0: a length byte, then that many body bytes; the
//               0xF7 is added). Data bytes are taken below 0x80, as a port
//               driver parsing a real cable hands them over.
//     0x00-0x7F a user action, kind % 8 (see UserAction), with one payload
//               byte for the tempo scroll (code, thumb: two), the group
//               switch, the pattern change and the tempo mode.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

struct EngineSettings {
    int32_t midiInSyncMode = 0;
    int32_t midiOutSyncMode = 0;
    int32_t tempoMode = 0;
    bool midiThru = false;
    bool syncStart = false;
    bool syncStop = false;
    int32_t pattern = 0;  // not yet reduced to the number of patterns
    int32_t tempo = 0;
    int32_t groupLevel = 0;
    int32_t masterLevel = 0;
    uint8_t groupsOff = 0;
    uint8_t timeMotion = 0;
};

enum class UserAction : uint8_t {
    Start,
    Stop,
    Continue,
    TempoScroll,   // scroll code, thumb position
    GroupSwitch,   // group 1..7 in bits 0-2 (0 reads as 7), on when bit 3 is set
    PatternChange, // pattern index
    TempoMode,     // even: own tempo, odd: follow the input
    Wait,          // nothing but the time
};

struct EngineStep {
    int32_t advanceMs = 0;
    std::vector<uint8_t> received;  // empty for a user action
    UserAction action = UserAction::Wait;
    uint8_t first = 0;   // the action's payload
    uint8_t second = 0;
};

class EngineInputReader {
public:
    EngineInputReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    EngineSettings settings();
    // The next step; none when the input is used up.
    std::optional<EngineStep> nextStep();

private:
    uint8_t byte();  // 0 past the end
    bool atEnd() const { return position_ >= size_; }

    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};

class EngineInputWriter {
public:
    explicit EngineInputWriter(const EngineSettings& settings);

    // Each step `afterMs` after the previous one; a delay too long for one
    // step's time byte goes in Wait steps before it.
    EngineInputWriter& wait(int32_t ms);  // only time passes
    EngineInputWriter& receive(int32_t afterMs, const std::vector<uint8_t>& message);
    EngineInputWriter& act(int32_t afterMs, UserAction action, uint8_t first = 0, uint8_t second = 0);

    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    // Writes Wait steps for all of `ms` but a last part under 200 and
    // returns that part's time byte.
    uint8_t timeByte(int32_t ms);

    std::vector<uint8_t> bytes_;
};
