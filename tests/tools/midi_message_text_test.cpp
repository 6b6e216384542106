#include <gtest/gtest.h>

#include "tools/midi_monitor/midi_message_text.h"

namespace {

TEST(MidiMessageText, NamesEachKindOfMessageWithItsValues) {
    const struct {
        std::vector<uint8_t> message;
        const char* text;
    } cases[] = {
        {{0x99, 36, 100}, "note-on  ch10 C1 (36 Bass Drum 1) vel 100"},
        {{0x99, 42, 0}, "note-off ch10 F#1 (42 Closed Hi-Hat) vel 0"},
        {{0x99, 27, 90}, "note-on  ch10 D#0 (27 High Q) vel 90"},
        {{0x99, 88, 90}, "note-on  ch10 E5 (88) vel 90"},
        {{0x90, 60, 64}, "note-on  ch1 C3 (60) vel 64"},
        {{0x83, 0, 64}, "note-off ch4 C-2 (0) vel 64"},
        {{0x89, 127, 0}, "note-off ch10 G8 (127) vel 0"},
        {{0xBF, 123, 0}, "control  ch16 cc123 all-notes-off 0"},
        {{0xB0, 2, 5}, "control  ch1 cc2 5"},
        {{0xC9, 25}, "program  ch10 25"},
        {{0xE0, 0x00, 0x40}, "pitch-bend ch1 +0"},
        {{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}, "sysex    6 bytes"},
        {{0xF2, 0x10, 0x01}, "song-position 144 sixteenths"},
        {{0xF1, 0x35}, "time-code quarter frame, piece 3 value 5"},
        {{0xF8}, "clock"},
        {{0xFA}, "start"},
        {{0xFC}, "stop"},
        {{0x99, 36}, "(malformed channel message)"},
        {{0x24}, "(no status byte)"},
    };
    for (const auto& c : cases) EXPECT_EQ(describeMidiMessage(c.message), c.text);
}

TEST(MidiMessageText, LineHoldsTimeBytesAndMeaningInColumns) {
    EXPECT_EQ(formatMonitorLine(1250.34, {0x99, 0x24, 0x64}),
              "  1250.3 ms  99 24 64   note-on  ch10 C1 (36 Bass Drum 1) vel 100");
    EXPECT_EQ(formatMonitorLine(0, {0xFA}), "     0.0 ms  FA         start");
}

}  // namespace
