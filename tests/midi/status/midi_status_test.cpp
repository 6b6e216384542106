#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "midi/status/midi_status.h"

namespace {

struct StatusDeleter {
    void operator()(MIDIStatus* status) const { MIDIStatus_Delete(status); }
};
using StatusPtr = std::unique_ptr<MIDIStatus, StatusDeleter>;

class MirrorTest : public ::testing::Test {
protected:
    StatusPtr status{MIDIStatus_Create(0, 16, 2)};

    int32_t put(std::vector<uint8_t> message) {
        return MIDIStatus_PutMIDIMessage(status.get(), message.data(), int32_t(message.size()));
    }
    MIDIPart* part(int32_t channel) { return MIDIStatus_GetMIDIPart(status.get(), channel); }
};

TEST_F(MirrorTest, HeldNotesFollowNoteOnsAndOffs) {
    ASSERT_TRUE(status);
    struct Step {
        std::vector<uint8_t> message;
        int32_t heldOnChannel9;
    } steps[] = {
        {{0x99, 36, 100}, 1},
        {{0x99, 36, 100}, 1},  // the same key twice holds it once
        {{0x99, 38, 90}, 2},
        {{0x89, 36, 64}, 1},   // one note-off releases a doubled key
        {{0x89, 36, 64}, 1},   // a second changes nothing
        {{0x99, 38, 0}, 0},    // velocity 0 releases
        {{0x89, 40, 0}, 0},    // releasing a key never held
        {{0x99, 42, 1}, 1},
        {{0x99, 42}, 0},       // cut short: counts as velocity 0
        {{0x90, 60, 100}, 0},  // another channel
    };
    for (const auto& step : steps) {
        EXPECT_EQ(put(step.message), 1);
        EXPECT_EQ(MIDIPart_GetNumNoteKeep(part(9)), step.heldOnChannel9);
    }
    EXPECT_EQ(MIDIPart_GetNoteKeep(part(0), 60), 1);
    EXPECT_EQ(MIDIPart_GetNoteKeep(part(9), 36), 0);
}

TEST_F(MirrorTest, AllNotesOffAndAllSoundOffReleaseEveryKeyOfTheirChannel) {
    for (uint8_t controller : {uint8_t(123), uint8_t(120)}) {
        put({0x90, 60, 100});
        put({0x90, 64, 100});
        put({0x91, 60, 100});
        put({0xB0, controller, 0});
        EXPECT_EQ(MIDIPart_GetNumNoteKeep(part(0)), 0) << int(controller);
        EXPECT_EQ(MIDIPart_GetNoteKeep(part(0), 64), 0) << int(controller);
        EXPECT_EQ(MIDIPart_GetNumNoteKeep(part(1)), 1) << int(controller);
        put({0x81, 60, 0});
    }
}

TEST_F(MirrorTest, KeepsProgramControllersBendAndAftertouch) {
    EXPECT_EQ(MIDIPart_GetPitchBend(part(2)), 8192);
    EXPECT_EQ(MIDIPart_GetControlChange(part(2), 7), 100);
    put({0xC2, 25});
    put({0xB2, 1, 64});
    put({0xB2, 7, 90});
    put({0xE2, 0x7F, 0x7F});
    put({0xD2, 33});
    put({0xA2, 60, 44});
    EXPECT_EQ(MIDIPart_GetProgramChange(part(2)), 25);
    EXPECT_EQ(MIDIPart_GetControlChange(part(2), 1), 64);
    EXPECT_EQ(MIDIPart_GetPitchBend(part(2)), 16383);
    EXPECT_EQ(MIDIPart_GetChannelAftertouch(part(2)), 33);
    EXPECT_EQ(MIDIPart_GetKeyAftertouch(part(2), 60), 44);

    put({0xB2, 121, 0});  // reset all controllers keeps volume and program
    EXPECT_EQ(MIDIPart_GetControlChange(part(2), 1), 0);
    EXPECT_EQ(MIDIPart_GetPitchBend(part(2)), 8192);
    EXPECT_EQ(MIDIPart_GetChannelAftertouch(part(2)), 0);
    EXPECT_EQ(MIDIPart_GetControlChange(part(2), 7), 90);
    EXPECT_EQ(MIDIPart_GetProgramChange(part(2)), 25);
}

TEST_F(MirrorTest, SystemAndBrokenMessagesChangeNoPart) {
    put({0x90, 60, 100});
    std::vector<std::vector<uint8_t>> ignored = {
        {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}, {0xF8}, {0xFC}, {0xF2, 0, 0}, {0xFF},
        {60, 100},                             // no status
        {0x90},                                // no key
        {0x80, 60 | 0x80, 0},                  // data byte with its high bit set
        {0xB0, 123},                           // controller without a value
        {0xC0}, {0xE0, 0},
    };
    for (const auto& message : ignored) put(message);
    EXPECT_EQ(put({}), 0);
    EXPECT_EQ(MIDIStatus_PutMIDIMessage(status.get(), nullptr, 3), 0);
    EXPECT_EQ(MIDIPart_GetNumNoteKeep(part(0)), 1);
    EXPECT_EQ(MIDIPart_GetProgramChange(part(0)), 0);
    EXPECT_EQ(MIDIPart_GetPitchBend(part(0)), 8192);
    EXPECT_EQ(put({0x90}), 0);
    EXPECT_EQ(put({0xF8}), 1);
}

TEST(Mirror, CreationChecksItsArgumentsAndNullIsAcceptedEverywhere) {
    EXPECT_EQ(MIDIStatus_Create(0, 0, 2), nullptr);
    EXPECT_EQ(MIDIStatus_Create(0, 17, 2), nullptr);
    EXPECT_EQ(MIDIStatus_Create(-1, 16, 2), nullptr);
    StatusPtr status(MIDIStatus_Create(0, 16, 2));
    ASSERT_TRUE(status);
    EXPECT_NE(MIDIStatus_GetMIDIPart(status.get(), 15), nullptr);
    EXPECT_EQ(MIDIStatus_GetMIDIPart(status.get(), 16), nullptr);
    EXPECT_EQ(MIDIStatus_GetMIDIPart(status.get(), -1), nullptr);
    EXPECT_EQ(MIDIStatus_GetMIDIPart(nullptr, 0), nullptr);
    uint8_t noteOn[] = {0x90, 60, 100};
    EXPECT_EQ(MIDIStatus_PutMIDIMessage(nullptr, noteOn, 3), 0);
    EXPECT_EQ(MIDIPart_GetNumNoteKeep(nullptr), 0);
    EXPECT_EQ(MIDIPart_GetNoteKeep(nullptr, 60), 0);
    EXPECT_EQ(MIDIPart_GetNoteKeep(MIDIStatus_GetMIDIPart(status.get(), 0), 128), 0);
    EXPECT_EQ(MIDIPart_GetControlChange(nullptr, 7), 0);
    EXPECT_EQ(MIDIPart_GetKeyAftertouch(nullptr, 7), 0);
    MIDIStatus_Delete(nullptr);
}

}  // namespace
