#include <gtest/gtest.h>

#include "tests/support/smf_builder.h"
#include "tests/midi/song/song_test_helpers.h"

namespace {

TEST(EventClassification, TellsMessagesApartAndReadsTheirFields) {
    struct Case {
        const char* name;
        bool midi, noteOn, noteOff;
        int32_t channel, key, velocity;
    } cases[] = {
        {"note-on", true, true, false, 9, 36, 100},
        {"note-on velocity 0", true, false, true, 9, 38, 0},
        {"note-off", true, false, true, 0, 60, 64},
        {"key aftertouch", true, false, false, 15, 61, 0},
        {"controller", true, false, false, 3, 0, 0},
        {"program", true, false, false, 9, 0, 0},
        {"pitch bend", true, false, false, 1, 0, 0},
        {"meta", false, false, false, 0, 0, 0},
        {"sysex", false, false, false, 0, 0, 0},
        {"escaped", false, false, false, 0, 0, 0},
    };
    SmfBuilder file;
    file.rawTrack()
        .noteOn(0, 9, 36, 100)
        .noteOn(0, 9, 38, 0)
        .noteOff(0, 0, 60, 64)
        .message(0, {0xAF, 61, 20})
        .message(0, {0xB3, 7, 90})
        .message(0, {0xC9, 25})
        .message(0, {0xE1, 0x00, 0x40})
        .trackName(0, "\x90\x3C\x40")
        .sysex(0, 0xF0, {0x90, 0x3C, 0xF7})
        .sysex(0, 0xF7, {0x90, 0x3C, 0x40});
    SongPtr song = loadSong(file.bytes());
    ASSERT_TRUE(song);
    MIDIEvent* event = MIDITrack_GetFirstEvent(MIDIData_GetFirstTrack(song.get()));
    for (const Case& c : cases) {
        ASSERT_NE(event, nullptr) << c.name;
        EXPECT_EQ(MIDIEvent_IsMIDIEvent(event) != 0, c.midi) << c.name;
        EXPECT_EQ(MIDIEvent_IsNoteOn(event) != 0, c.noteOn) << c.name;
        EXPECT_EQ(MIDIEvent_IsNoteOff(event) != 0, c.noteOff) << c.name;
        EXPECT_EQ(MIDIEvent_GetChannel(event), c.channel) << c.name;
        EXPECT_EQ(MIDIEvent_GetKey(event), c.key) << c.name;
        EXPECT_EQ(MIDIEvent_GetVelocity(event), c.velocity) << c.name;
        event = MIDIEvent_GetNextEvent(event);
    }
    EXPECT_EQ(event, nullptr);
}

TEST(EventClassification, NullAndShortEventsAreNothing) {
    uint8_t shortNote[] = {0x99, 36};
    MIDIEvent events[] = {{0, 2, shortNote, nullptr}, {0, 0, shortNote, nullptr}};
    for (const MIDIEvent* event : {&events[0], &events[1], static_cast<MIDIEvent*>(nullptr)}) {
        EXPECT_FALSE(MIDIEvent_IsNoteOn(event));
        EXPECT_FALSE(MIDIEvent_IsNoteOff(event));
        EXPECT_EQ(MIDIEvent_GetKey(event), 0);
        EXPECT_EQ(MIDIEvent_GetVelocity(event), 0);
    }
    EXPECT_FALSE(MIDIEvent_IsMIDIEvent(nullptr));
    EXPECT_FALSE(MIDIEvent_IsMIDIEvent(&events[1]));
    EXPECT_EQ(MIDIEvent_GetChannel(nullptr), 0);
}

}  // namespace
