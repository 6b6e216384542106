// The key table, the note filter, velocity scaling and the silencing of a
// group switched off.
#include "engine/drum_groups.h"
#include "tests/support/player_fixture.h"

#include <climits>

namespace {

using DrumGroupsTest = PlayerFixture;

TEST(DrumGroupTable, FollowsTheGeneralMidiPercussionMap) {
    const std::vector<std::pair<int, int>> keyGroups = {
        {0, 6},  {34, 6}, {35, 1}, {36, 1}, {37, 6}, {38, 2}, {39, 6}, {40, 2},
        {41, 3}, {42, 4}, {43, 3}, {44, 4}, {45, 3}, {46, 4}, {47, 3}, {48, 3},
        {49, 5}, {50, 3}, {51, 6}, {52, 5}, {53, 6}, {54, 6}, {55, 5}, {56, 6},
        {57, 5}, {58, 6}, {59, 6}, {127, 6},
    };
    for (const auto& [key, group] : keyGroups)
        EXPECT_EQ(drumGroupOfKey[key], group) << "key " << key;
    EXPECT_EQ(drumGroupOfKey[128], 7);

    int keysInGroup[8] = {};
    for (int key = 0; key < 128; ++key)
        ++keysInGroup[drumGroupOfKey[key]];
    EXPECT_EQ(keysInGroup[0], 0);
    EXPECT_EQ(keysInGroup[1], 2);
    EXPECT_EQ(keysInGroup[2], 2);
    EXPECT_EQ(keysInGroup[3], 6);
    EXPECT_EQ(keysInGroup[4], 3);
    EXPECT_EQ(keysInGroup[5], 4);
    EXPECT_EQ(keysInGroup[6], 111);
    EXPECT_EQ(keysInGroup[7], 0);
}

TEST_F(DrumGroupsTest, FilterNeedsTheGroupAndTheMaster) {
    std::lock_guard guard(playerState.lock);
    playerState.settings.noteCheck[2] = 0;
    EXPECT_FALSE(isDrumNoteEnabled(38));
    EXPECT_FALSE(isDrumNoteEnabled(40));
    EXPECT_TRUE(isDrumNoteEnabled(36));

    playerState.settings.noteCheck[0] = 0;  // no key belongs to group 0
    for (int key = 0; key < 128; ++key)
        EXPECT_EQ(isDrumNoteEnabled(key), key != 38 && key != 40) << "key " << key;

    playerState.settings.noteCheck[2] = 1;
    playerState.settings.noteCheck[kMasterDrumGroup] = 0;
    for (int key = 0; key < 128; ++key)
        EXPECT_FALSE(isDrumNoteEnabled(key)) << "key " << key;
}

TEST_F(DrumGroupsTest, FilterClampsKeysOutsideTheMidiRange) {
    std::lock_guard guard(playerState.lock);
    playerState.settings.noteCheck[6] = 0;
    EXPECT_FALSE(isDrumNoteEnabled(-5));    // as key 0
    EXPECT_FALSE(isDrumNoteEnabled(1000));  // as key 127
    playerState.settings.noteCheck[6] = 1;
    EXPECT_TRUE(isDrumNoteEnabled(INT_MIN));
    EXPECT_TRUE(isDrumNoteEnabled(INT_MAX));
}

TEST_F(DrumGroupsTest, VelocityScalesByGroupAndMasterLevel) {
    std::lock_guard guard(playerState.lock);
    struct Case {
        int32_t key, velocity, groupLevel, masterLevel, expected;
    };
    const Case cases[] = {
        {38, 100, 100, 100, 100},
        {38, 1, 100, 100, 1},
        {38, 127, 100, 100, 127},
        {38, 100, 100, 150, 127},   // 150 clamped
        {38, 127, 50, 50, 31},
        {38, 127, 0, 100, 0},       // level 0 still sends, at velocity 0
        {38, 100, -20, 100, 0},     // a negative level
        {38, 100, 100, -1, 0},
        // Levels that no 32-bit product survives.
        {38, 127, INT_MAX, INT_MAX, 127},
        {38, 127, INT_MAX, INT_MIN, 0},
        {38, 127, INT_MIN, INT_MIN, 127},
        {38, 127, 70000, 70000, 127},
        {38, 1, 1, 1, 0},
    };
    for (const Case& c : cases) {
        playerState.settings.noteLevel[2] = c.groupLevel;
        playerState.settings.noteLevel[kMasterDrumGroup] = c.masterLevel;
        EXPECT_EQ(scaleDrumVelocity(c.key, c.velocity), c.expected)
            << c.velocity << " x " << c.groupLevel << " x " << c.masterLevel;
    }
}

TEST_F(DrumGroupsTest, VelocityUsesTheKeysOwnGroup) {
    std::lock_guard guard(playerState.lock);
    playerState.settings.noteLevel[1] = 50;
    playerState.settings.noteLevel[5] = 200;
    EXPECT_EQ(scaleDrumVelocity(36, 100), 50);
    EXPECT_EQ(scaleDrumVelocity(49, 60), 120);
    EXPECT_EQ(scaleDrumVelocity(51, 60), 60);   // the ride is in group 6
    EXPECT_EQ(scaleDrumVelocity(-1, 60), 60);   // key 0, group 6
}

TEST_F(DrumGroupsTest, SwitchingAGroupOffEndsItsKeysOnPortAndMirror) {
    holdInMirror(38);
    holdInMirror(40);
    holdInMirror(36);
    setGroupEnabled(2, 0);
    EXPECT_EQ(playerState.settings.noteCheck[2].load(), 0);
    EXPECT_EQ(sent(), (std::vector<Bytes>{{0x99, 38, 0}, {0x99, 40, 0}}));
    EXPECT_FALSE(mirrorHolds(38));
    EXPECT_FALSE(mirrorHolds(40));
    EXPECT_TRUE(mirrorHolds(36));

    clearSent();
    setGroupEnabled(2, 1);  // ticking a box sends nothing
    EXPECT_EQ(playerState.settings.noteCheck[2].load(), 1);
    // The master owns no key but mutes them all: the key still sounding
    // ends, or it would hang until the pattern is stopped.
    setGroupEnabled(kMasterDrumGroup, 0);
    EXPECT_EQ(playerState.settings.noteCheck[kMasterDrumGroup].load(), 0);
    EXPECT_EQ(sent(), (std::vector<Bytes>{{0x99, 36, 0}}));
    EXPECT_FALSE(mirrorHolds(36));
}

TEST_F(DrumGroupsTest, SwitchingTheOtherPercussionOffEndsAllItsKeysInOrder) {
    setGroupEnabled(6, 0);
    std::vector<Bytes> expected;
    for (int key = 0; key < 128; ++key) {
        if (drumGroupOfKey[key] == 6)
            expected.push_back({0x99, static_cast<uint8_t>(key), 0});
    }
    ASSERT_EQ(expected.size(), 111u);
    EXPECT_EQ(sent(), expected);
}

TEST_F(DrumGroupsTest, WithoutPortOrMirrorSwitchingOffStillWorks) {
    MIDIStatus_Delete(playerState.handles.midiOutStatus);
    playerState.handles.midiOutStatus = nullptr;
    setGroupEnabled(1, 0);
    EXPECT_EQ(sent(), (std::vector<Bytes>{{0x99, 35, 0}, {0x99, 36, 0}}));
    // Without the mirror the master cannot tell which keys sound: it ends all.
    clearSent();
    setGroupEnabled(kMasterDrumGroup, 0);
    EXPECT_EQ(sent().size(), 128u);

    clearSent();
    MIDIOut_Close(playerState.handles.midiOut);
    playerState.handles.midiOut = nullptr;
    setGroupEnabled(3, 0);
    EXPECT_EQ(playerState.settings.noteCheck[3].load(), 0);
}

TEST_F(DrumGroupsTest, GroupNumbersOutsideTheTableAreIgnored) {
    setGroupEnabled(8, 0);
    setGroupEnabled(-1, 0);
    setGroupLevel(8, 5);
    setGroupLevel(-1, 5);
    EXPECT_TRUE(sent().empty());
    for (int g = 0; g < kDrumGroupCount; ++g) {
        EXPECT_EQ(playerState.settings.noteCheck[g].load(), 1);
        EXPECT_EQ(playerState.settings.noteLevel[g].load(), 100);
    }
}

// The up-down control reports a non-number in its edit box as its old
// position plus an error word in the high 16 bits; that is no level.
TEST_F(DrumGroupsTest, LevelKeepsValidPositionsOnly) {
    setGroupLevel(4, 150);
    EXPECT_EQ(playerState.settings.noteLevel[4].load(), 150);
    setGroupLevel(4, 0x10000 | 150);
    EXPECT_EQ(playerState.settings.noteLevel[4].load(), 150);
    setGroupLevel(4, 1);
    EXPECT_EQ(playerState.settings.noteLevel[4].load(), 1);
    EXPECT_TRUE(sent().empty());
}

}  // namespace
