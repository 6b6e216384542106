// The main window's commands, from its buttons, check boxes, lists and
// level edits, with the bytes they make on the virtual output.

#include <algorithm>

#include "engine/player_state.h"
#include "midi/clock/midi_clock.h"
#include "resources/resource_ids.h"
#include "ui/message_box.h"
#include "tests/ui/main_window_fixture.h"

namespace {

constexpr int kGroup1Check = IDC_GROUP_CHECK_FIRST;
constexpr int kGroup1Edit = IDC_GROUP_LEVEL_EDIT_FIRST;

bool contains(const std::vector<Bytes>& messages, const Bytes& message) {
    return std::find(messages.begin(), messages.end(), message) != messages.end();
}

// A box whose message loop runs the Start the input thread posts meanwhile.
std::vector<std::wstring> boxTexts;
int boxThatRunsAPostedStart(HWND owner, const wchar_t* text, const wchar_t*, UINT) {
    boxTexts.push_back(text);
    if (boxTexts.size() == 1) SendMessageW(owner, WM_COMMAND, MAKEWPARAM(IDC_START_BUTTON, 0), 0);
    return IDOK;
}

}  // namespace

TEST_F(MainWindowTest, CommandsBeforeReadyOrWithAnotherCodeDoNothing) {
    openWindow();
    PlayerState& p = playerState;
    // States a handler would read if it ran.
    CheckDlgButton(window(), IDC_SYNC_START_CHECK, BST_CHECKED);
    CheckDlgButton(window(), kGroup1Check, BST_UNCHECKED);
    SetDlgItemTextW(window(), kGroup1Edit, L"50");  // raises EN_CHANGE: acts
    ASSERT_EQ(p.settings.noteLevel[1], 50);
    p.settings.noteLevel[1] = 100;

    struct Case {
        int id;
        int code;
        bool ready;
    };
    const Case cases[] = {
        {IDC_START_BUTTON, BN_CLICKED, false},   // would warn: no pattern
        {IDC_START_BUTTON, BN_SETFOCUS, true},
        {IDC_CONTINUE_BUTTON, BN_KILLFOCUS, true},
        {IDC_SYNC_START_CHECK, BN_CLICKED, false},
        {kGroup1Check, BN_CLICKED, false},
        {kGroup1Check, BN_SETFOCUS, true},
        {kGroup1Edit, EN_CHANGE, false},
        {kGroup1Edit, EN_UPDATE, true},
        {IDC_EXIT_BUTTON, BN_CLICKED, false},
        {IDC_EXIT_BUTTON, BN_SETFOCUS, true},
        {IDOK, 0, true},      // Enter
        {IDCANCEL, 0, true},  // Esc
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(testing::Message() << "id " << row.id << " code " << row.code << " ready " << row.ready);
        p.shell.uiReady = row.ready ? 1 : 0;
        command(row.id, row.code);
        EXPECT_TRUE(IsWindow(window()));
        EXPECT_TRUE(boxes().empty());
        EXPECT_EQ(p.settings.syncStart, 0);
        EXPECT_EQ(p.settings.noteCheck[1], 1);
        EXPECT_EQ(p.settings.noteLevel[1], 100);
    }
}

TEST_F(MainWindowTest, ExitButtonAndCloseBoxEndTheProgram) {
    struct Case {
        const char* name;
        int controlId;  // 0: the message goes to the window itself
        UINT message;
        WPARAM wParam;
    };
    const Case cases[] = {
        {"exit button", IDC_EXIT_BUTTON, BM_CLICK, 0},
        {"close box", 0, WM_SYSCOMMAND, SC_CLOSE},
        {"WM_CLOSE", 0, WM_CLOSE, 0},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        openWindow();
        SendMessageW(row.controlId ? control(row.controlId) : window(), row.message, row.wParam, 0);
        EXPECT_FALSE(IsWindow(window()));
        EXPECT_EQ(playerState.shell.mainWindow.load(), nullptr);
        shutDown();
        // The workers saw the window go and left.
        EXPECT_EQ(playerState.shell.inputThread + playerState.shell.patternThread + playerState.shell.patchThread, 0);
    }
}

TEST_F(MainWindowTest, StartThenStopThroughTheButtons) {
    writeSong("pattern", L"Beat.mid", oneBarPattern());
    wcscpy(playerState.settings.patternName, L"Beat.mid");
    playerState.settings.midiOutSyncMode = 1;  // MIDI clock: start and stop bytes go out
    openWindow();

    click(IDC_START_BUTTON);
    ASSERT_TRUE(pumpUntil([] { return contains(sent(), {0x99, 36, 100}); }));
    EXPECT_EQ(sent().front(), Bytes{0xFA});

    click(IDC_STOP_BUTTON);
    std::vector<Bytes> expected;
    for (uint8_t channel = 0; channel < 16; ++channel) expected.push_back({uint8_t(0xB0 | channel), 123, 0});
    expected.push_back({0xFC});
    const std::vector<Bytes> messages = sent();
    const auto first = std::find(messages.begin(), messages.end(), expected.front());
    ASSERT_NE(first, messages.end());
    EXPECT_EQ(std::vector<Bytes>(first, std::min(first + 17, messages.end())), expected);
    EXPECT_EQ(playerState.transport.patternPlaying, 0);
}

// The input thread posts Start to the window, as if the button were pressed.
TEST_F(MainWindowTest, NotePlayedWithSyncStartOnStartsThePattern) {
    writeSong("pattern", L"Beat.mid", oneBarPattern());
    wcscpy(playerState.settings.patternName, L"Beat.mid");
    openWindow();
    click(IDC_SYNC_START_CHECK);
    ASSERT_EQ(playerState.settings.syncStart, 1);

    playIntoInput({0x90, 60, 100});
    EXPECT_TRUE(pumpUntil([] { return contains(sent(), {0x99, 36, 100}); }));
    EXPECT_EQ(playerState.transport.patternPlaying, 1);
}

TEST_F(MainWindowTest, GroupSwitchOffSilencesItsKeys) {
    openWindow();
    struct Case {
        int group;
        std::vector<Bytes> silencing;
    };
    const Case cases[] = {
        {1, {{0x99, 35, 0}, {0x99, 36, 0}}},
        {2, {{0x99, 38, 0}, {0x99, 40, 0}}},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.group);
        clearSent();
        click(IDC_GROUP_CHECK_FIRST + IDC_GROUP_STRIDE * (row.group - 1));
        EXPECT_EQ(playerState.settings.noteCheck[row.group], 0);
        EXPECT_EQ(sent(), row.silencing);
    }
}

TEST_F(MainWindowTest, LevelEditScalesTheNextNotes) {
    writeSong("pattern", L"Beat.mid", oneBarPattern());
    wcscpy(playerState.settings.patternName, L"Beat.mid");
    openWindow();
    struct Case {
        const wchar_t* text;
        uint8_t velocity;  // of the bass drum, played at 100
    };
    const Case cases[] = {
        {L"50", 50},
        {L"200", 127},
        {L"250", 100},  // beyond the range: the level stays
        {L"", 100},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(testing::Message() << '"' << row.text << '"');
        SetDlgItemTextW(window(), kGroup1Edit, L"100");
        SetDlgItemTextW(window(), kGroup1Edit, row.text);
        clearSent();
        click(IDC_START_BUTTON);
        ASSERT_TRUE(pumpUntil([] {
            const std::vector<Bytes> messages = sent();
            return std::any_of(messages.begin(), messages.end(),
                               [](const Bytes& m) { return m.size() == 3 && m[0] == 0x99 && m[1] == 36; });
        }));
        click(IDC_STOP_BUTTON);
        const std::vector<Bytes> messages = sent();
        const auto note = std::find_if(messages.begin(), messages.end(),
                                       [](const Bytes& m) { return m.size() == 3 && m[0] == 0x99 && m[1] == 36; });
        EXPECT_EQ((*note)[2], row.velocity);
    }
}

// The internal-tempo radio button, the sync stop switch and Continue, each
// through the window's own command table.
TEST_F(MainWindowTest, InternalTempoSyncStopAndContinueThroughTheCommandTable) {
    writeSong("pattern", L"Beat.mid", oneBarPattern());
    wcscpy(playerState.settings.patternName, L"Beat.mid");
    playerState.settings.midiOutSyncMode = 1;  // start, stop and continue go out as bytes
    playerState.settings.tempoMode = 1;
    openWindow();

    click(IDC_TEMPO_INTERNAL_RADIO);
    EXPECT_EQ(playerState.settings.tempoMode, 0);
    EXPECT_TRUE(IsWindowEnabled(control(IDC_TEMPO_SCROLL)));

    // Releasing the last held note stops the pattern once sync stop is on.
    click(IDC_SYNC_STOP_CHECK);
    ASSERT_EQ(playerState.settings.syncStop, 1);
    click(IDC_START_BUTTON);
    ASSERT_TRUE(pumpUntil([] { return contains(sent(), {0x99, 36, 100}); }));
    playIntoInput({0x90, 60, 100});
    playIntoInput({0x80, 60, 0});
    EXPECT_TRUE(pumpUntil([] { return contains(sent(), {0xFC}) && playerState.transport.patternPlaying == 0; }));

    clearSent();
    click(IDC_CONTINUE_BUTTON);
    EXPECT_TRUE(pumpUntil([] { return contains(sent(), {0xFB}); }));
    EXPECT_EQ(playerState.transport.patternPlaying, 1);
}

// A Start posted while a box is open runs when it can play; only one that
// would open a second "no pattern" box is dropped.
// The tempo scroll bar: each scroll code from a bpm, the bpm shown after
// it and the tempo both clocks run at.
TEST_F(MainWindowTest, ScrollingTheTempoStepsClampsAndShowsTheBpm) {
    openWindow();
    HWND scroll = control(IDC_TEMPO_SCROLL);
    struct Case {
        int32_t from;
        UINT code;
        WORD thumb;
        int32_t to;
        const wchar_t* text;
    };
    for (const Case& c : {Case{120, SB_LINELEFT, 0, 119, L"119"}, Case{120, SB_LINERIGHT, 0, 121, L"121"},
                          Case{16, SB_LINELEFT, 0, 16, L" 16"}, Case{256, SB_LINERIGHT, 0, 256, L"256"},
                          Case{250, SB_PAGERIGHT, 0, 256, L"256"}, Case{20, SB_PAGELEFT, 0, 16, L" 16"},
                          Case{100, SB_PAGELEFT, 0, 90, L" 90"}, Case{120, SB_THUMBPOSITION, 60, 60, L" 60"},
                          Case{120, SB_THUMBTRACK, 200, 200, L"200"}, Case{120, SB_THUMBTRACK, 300, 256, L"256"},
                          Case{120, SB_THUMBPOSITION, 3, 16, L" 16"},
                          // End of scroll and unknown codes re-apply the position.
                          Case{60, SB_ENDSCROLL, 99, 60, L" 60"}, Case{60, 42, 0, 60, L" 60"}}) {
        SCOPED_TRACE(testing::Message() << c.from << " code " << c.code);
        SetScrollPos(scroll, SB_CTL, c.from, FALSE);
        SendMessageW(window(), WM_HSCROLL, MAKEWPARAM(c.code, c.thumb), reinterpret_cast<LPARAM>(scroll));
        EXPECT_EQ(GetScrollPos(scroll, SB_CTL), c.to);
        EXPECT_EQ(controlText(IDC_TEMPO_TEXT), c.text);
        EXPECT_EQ(MIDIClock_GetTempo(playerState.handles.patternClock), 60000000 / c.to);
        EXPECT_EQ(MIDIClock_GetTempo(playerState.handles.patchClock), 60000000 / c.to);
    }
}

TEST_F(MainWindowTest, StartWhileABoxIsOpenRunsUnlessItWouldWarnAgain) {
    writeSong("pattern", L"Beat.mid", oneBarPattern());
    const std::wstring noPattern = moduleString(IDS_NO_PATTERN_LOADED);
    for (const bool patternLoaded : {true, false}) {
        SCOPED_TRACE(patternLoaded ? "pattern loaded, another box open" : "no pattern, its own box open");
        wcscpy(playerState.settings.patternName, patternLoaded ? L"Beat.mid" : L"");
        playerState.transport.patternPlaying = 0;
        openWindow();
        boxTexts.clear();
        setMessageBoxFunction(boxThatRunsAPostedStart);
        if (patternLoaded) showMessageBox(window(), L"device", L"", MB_OK);
        else click(IDC_START_BUTTON);
        EXPECT_EQ(boxTexts, std::vector<std::wstring>{patternLoaded ? L"device" : noPattern});
        EXPECT_EQ(playerState.transport.patternPlaying, patternLoaded ? 1 : 0);
        DestroyWindow(window());
        shutDown();
    }
}
