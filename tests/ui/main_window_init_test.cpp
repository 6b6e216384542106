// The main window filled from a given settings state.
#include <windows.h>
#include <commctrl.h>

#include "engine/player_state.h"
#include "midi/clock/midi_clock.h"
#include "resources/resource_ids.h"
#include "tests/ui/main_window_fixture.h"

namespace {

int groupControl(int firstId, int group) {
    return firstId + IDC_GROUP_STRIDE * (group - 1);
}

bool hasStyle(HWND control, LONG style) {
    return (GetWindowLongW(control, GWL_STYLE) & style) != 0;
}

}  // namespace

TEST_F(MainWindowTest, InitialisationShowsTheStoredSettings) {
    writeSong("pattern", L"Rock Beat.mid", oneBarPattern());
    writeSong("pattern", L"Shuffle.mid", oneBarPattern());
    writeSong("patch", L"Kit.mid", oneBarPattern());
    PlayerState& p = playerState;
    wcscpy(p.settings.patternName, L"SHUFFLE.MID");
    wcscpy(p.settings.patchName, L"kit.mid");
    p.settings.tempo = 600000;  // 100 bpm
    p.settings.tempoMode = 1;
    p.settings.noteLevel[1] = 250;
    p.settings.noteLevel[2] = 0;
    p.settings.noteCheck[3] = 0;
    p.settings.syncStop = 1;
    openWindow();

    // The entry is found in another letter case, the load keeps the stored name.
    wchar_t selected[64] = {};
    const LRESULT patternIndex = SendMessageW(control(IDC_PATTERN_LIST), LB_GETCURSEL, 0, 0);
    SendMessageW(control(IDC_PATTERN_LIST), LB_GETTEXT, patternIndex, reinterpret_cast<LPARAM>(selected));
    EXPECT_STREQ(selected, L"Shuffle.mid");
    EXPECT_NE(p.handles.patternData, nullptr);
    EXPECT_STREQ(p.settings.patternName, L"SHUFFLE.MID");
    // The stored patch is selected, not loaded.
    EXPECT_EQ(SendMessageW(control(IDC_PATCH_LIST), LB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(p.handles.patchData, nullptr);

    struct Level {
        int group;
        const wchar_t* text;
        int spinPosition;
        int32_t level;
    };
    for (const Level& row : {Level{1, L"250", 200, 250}, Level{2, L"0", 1, 0}, Level{7, L"100", 100, 100}}) {
        SCOPED_TRACE(row.group);
        EXPECT_EQ(controlText(groupControl(IDC_GROUP_LEVEL_EDIT_FIRST, row.group)), row.text);
        const LRESULT position =
            SendMessageW(control(groupControl(IDC_GROUP_LEVEL_SPIN_FIRST, row.group)), UDM_GETPOS, 0, 0);
        EXPECT_EQ(LOWORD(position), row.spinPosition);
        EXPECT_EQ(p.settings.noteLevel[row.group], row.level);
    }

    struct Check {
        int id;
        UINT state;
    };
    for (const Check& row : {Check{groupControl(IDC_GROUP_CHECK_FIRST, 1), BST_CHECKED},
                             Check{groupControl(IDC_GROUP_CHECK_FIRST, 3), BST_UNCHECKED},
                             Check{IDC_TEMPO_INTERNAL_RADIO, BST_UNCHECKED}, Check{IDC_TEMPO_FOLLOW_RADIO, BST_CHECKED},
                             Check{IDC_SYNC_START_CHECK, BST_UNCHECKED}, Check{IDC_SYNC_STOP_CHECK, BST_CHECKED}}) {
        EXPECT_EQ(IsDlgButtonChecked(window(), row.id), row.state) << row.id;
    }

    // Following the input: the tempo is set but cannot be changed or seen.
    EXPECT_EQ(controlText(IDC_TEMPO_TEXT), L"100");
    EXPECT_EQ(GetScrollPos(control(IDC_TEMPO_SCROLL), SB_CTL), 100);
    EXPECT_FALSE(hasStyle(control(IDC_TEMPO_TEXT), WS_VISIBLE));
    EXPECT_FALSE(IsWindowEnabled(control(IDC_TEMPO_SCROLL)));

    EXPECT_EQ(GetWindowTextLengthW(window()), static_cast<int>(wcslen(p.shell.caption)));
    EXPECT_NE(p.handles.midiIn, nullptr);
    EXPECT_NE(p.handles.midiOut, nullptr);
    EXPECT_EQ(p.shell.uiReady, 1);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(MainWindowTest, EmptyFoldersAndMissingDevices) {
    PlayerState& p = playerState;
    wcscpy(p.settings.patternName, L"Gone.mid");
    wcscpy(p.settings.midiInName, L"Unplugged In");
    wcscpy(p.settings.midiOutName, L"Unplugged Out");
    openWindow();

    EXPECT_EQ(SendMessageW(control(IDC_PATTERN_LIST), LB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(SendMessageW(control(IDC_PATCH_LIST), LB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(p.handles.patternData, nullptr);
    for (MIDIClock* clock : {p.handles.patternClock, p.handles.patchClock}) {
        int32_t timeMode = -1;
        int32_t resolution = 0;
        ASSERT_NE(clock, nullptr);
        MIDIClock_GetTimeBase(clock, &timeMode, &resolution);
        EXPECT_EQ(timeMode, 0);
        EXPECT_EQ(resolution, 120);
    }
    EXPECT_EQ(p.handles.midiIn, nullptr);
    EXPECT_EQ(p.handles.midiOut, nullptr);
    const std::vector<std::wstring> expected = {moduleString(IDS_INPUT_OPEN_FAILED) + L"\nUnplugged In",
                                                moduleString(IDS_OUTPUT_OPEN_FAILED) + L"\nUnplugged Out"};
    EXPECT_EQ(boxes(), expected);
    EXPECT_EQ(p.shell.uiReady, 1);
}
