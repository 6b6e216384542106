#include "tools/midi_monitor/midi_message_text.h"

#include <cstdio>
#include <iterator>
#include <string_view>

#include "tools/midi_monitor/gm_percussion_names.h"

namespace {

constexpr int kDrumChannel = 10;

std::string format(const char* pattern, auto... values) {
    char text[160];
    std::snprintf(text, sizeof text, pattern, values...);
    return text;
}

// "C1 (36 Bass Drum 1)" on the drum channel, "C3 (60)" elsewhere.
std::string noteName(uint8_t key, int channel) {
    static constexpr const char* kPitchNames[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    std::string name = format("%s%d (%d", kPitchNames[key % 12], key / 12 - 2, key);
    const std::string_view drum = channel == kDrumChannel ? gmPercussionName(key) : std::string_view();
    if (!drum.empty()) name += " " + std::string(drum);
    return name + ")";
}

std::string_view controllerName(uint8_t controller) {
    switch (controller) {
    case 0: return "bank-select";
    case 1: return "modulation";
    case 6: return "data-entry";
    case 7: return "volume";
    case 10: return "pan";
    case 11: return "expression";
    case 32: return "bank-select-lsb";
    case 64: return "sustain";
    case 91: return "reverb";
    case 93: return "chorus";
    case 100: return "rpn-lsb";
    case 101: return "rpn-msb";
    case 120: return "all-sound-off";
    case 121: return "reset-all-controllers";
    case 123: return "all-notes-off";
    default: return {};
    }
}

std::string channelMessage(const std::vector<uint8_t>& m) {
    const int channel = (m[0] & 0x0F) + 1;
    const int kind = m[0] >> 4;
    const size_t length = (kind == 0xC || kind == 0xD) ? 2 : 3;
    if (m.size() != length) return "(malformed channel message)";
    switch (kind) {
    case 0x8:
        return format("note-off ch%d %s vel %d", channel, noteName(m[1], channel).c_str(), m[2]);
    case 0x9:
        return format("%-8s ch%d %s vel %d", m[2] == 0 ? "note-off" : "note-on", channel,
                      noteName(m[1], channel).c_str(), m[2]);
    case 0xA:
        return format("key-pressure ch%d %s %d", channel, noteName(m[1], channel).c_str(), m[2]);
    case 0xB: {
        const std::string_view name = controllerName(m[1]);
        return format("control  ch%d cc%d%s%s %d", channel, m[1], name.empty() ? "" : " ",
                      std::string(name).c_str(), m[2]);
    }
    case 0xC: return format("program  ch%d %d", channel, m[1]);
    case 0xD: return format("pressure ch%d %d", channel, m[1]);
    default: return format("pitch-bend ch%d %+d", channel, (m[1] | (m[2] << 7)) - 8192);
    }
}

std::string systemMessage(const std::vector<uint8_t>& m) {
    switch (m[0]) {
    case 0xF0: return format("sysex    %zu bytes", m.size());
    case 0xF1:
        if (m.size() != 2) break;
        return format("time-code quarter frame, piece %d value %d", m[1] >> 4, m[1] & 0x0F);
    case 0xF2:
        if (m.size() != 3) break;
        return format("song-position %d sixteenths", m[1] | (m[2] << 7));
    case 0xF3:
        if (m.size() != 2) break;
        return format("song-select %d", m[1]);
    case 0xF6: return "tune-request";
    case 0xF8: return "clock";
    case 0xFA: return "start";
    case 0xFB: return "continue";
    case 0xFC: return "stop";
    case 0xFE: return "active-sensing";
    case 0xFF: return "reset";
    default: return "(undefined status)";
    }
    return "(malformed system message)";
}

}  // namespace

std::string describeMidiMessage(const std::vector<uint8_t>& message) {
    if (message.empty() || message[0] < 0x80) return "(no status byte)";
    if (message[0] < 0xF0) return channelMessage(message);
    return systemMessage(message);
}

std::string formatMonitorLine(double milliseconds, const std::vector<uint8_t>& message) {
    std::string bytes;
    for (uint8_t byte : message) bytes += format(bytes.empty() ? "%02X" : " %02X", byte);
    // Three-byte messages, the most, line up; a longer one pushes its text on.
    if (bytes.size() < 9) bytes.resize(9, ' ');
    return format("%8.1f ms  ", milliseconds) + bytes + "  " + describeMidiMessage(message);
}
