// The file lists and the settings buttons: a double-click on an entry that
// is not yet selected loads it (a patch is also sent) and then shows that
// song's information; each settings button opens its dialog.
#include <algorithm>
#include <string>

#include "engine/player_state.h"
#include "resources/resource_ids.h"
#include "tests/ui/main_window_fixture.h"

namespace {

// The messages a double-click on an entry brings to a list box.
void postDoubleClick(HWND list, int index) {
    RECT item = {};
    SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    const LPARAM point = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageW(list, WM_LBUTTONUP, 0, point);
    PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, point);
    PostMessageW(list, WM_LBUTTONUP, 0, point);
}

SmfBuilder patchWithProgram(const std::string& title, int program) {
    SmfBuilder smf(480);
    smf.track().trackName(0, title).programChange(0, 0, program).endOfTrack(10);
    return smf;
}

}  // namespace

TEST_F(MainWindowTest, DoubleClickLoadsTheEntryThenShowsItsInformation) {
    writeSong("pattern", L"First.mid", oneBarPattern("First Groove"));
    writeSong("pattern", L"Second.mid", oneBarPattern("Second Groove"));
    writeSong("patch", L"Kit A.mid", patchWithProgram("Kit A", 1));
    writeSong("patch", L"Kit B.mid", patchWithProgram("Kit B", 2));
    wcscpy(playerState.settings.patternName, L"First.mid");
    wcscpy(playerState.settings.patchName, L"Kit A.mid");
    openWindow();

    struct Case {
        int listId;
        const wchar_t* entry;
        int32_t target;
        const wchar_t* title;
        const wchar_t* storedName;
    };
    const Case cases[] = {
        {IDC_PATTERN_LIST, L"Second.mid", 0, L"Second Groove", playerState.settings.patternName},
        {IDC_PATCH_LIST, L"Kit B.mid", 1, L"Kit B", playerState.settings.patchName},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(testing::Message() << row.listId);
        const LRESULT index =
            SendMessageW(control(row.listId), LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                         reinterpret_cast<LPARAM>(row.entry));
        ASSERT_GE(index, 0);
        const OwnedDialog info = closeDialogOpenedBy(
            [&] { postDoubleClick(control(row.listId), static_cast<int>(index)); }, IDC_TITLE_TEXT);
        ASSERT_TRUE(info.shown);
        EXPECT_EQ(info.infoTarget, row.target);
        EXPECT_EQ(info.markerText, row.title);
        EXPECT_STREQ(row.storedName, row.entry);
    }
    // The patch was sent when it was chosen.
    EXPECT_TRUE(pumpUntil([] {
        const std::vector<Bytes> messages = sent();
        return std::find(messages.begin(), messages.end(), Bytes{0xC0, 2}) != messages.end();
    }));
    EXPECT_TRUE(boxes().empty());
}

// The song texts are read in the code page that starts the stored text
// encoding.
TEST_F(MainWindowTest, SongTitlesAreReadInTheStoredTextEncoding) {
    const struct {
        const wchar_t* textEncoding;
        std::string titleBytes;
        std::wstring title;
    } cases[] = {
        {L"932-Japanese Shift-JIS", "\x83\x68\x83\x89\x83\x80", L"\u30C9\u30E9\u30E0"},
        {L"1251-Cyrillic", "\xC1\xE8\xF2", L"\u0411\u0438\u0442"},
        {L"1252-Western Latin-1 [recommended]", "Caf\xE9", L"Caf\u00E9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.textEncoding)));
        writeSong("pattern", L"Title.mid", oneBarPattern(c.titleBytes));
        wcscpy(playerState.settings.patternName, L"Title.mid");
        wcscpy(playerState.settings.textEncoding, c.textEncoding);
        openWindow();
        const OwnedDialog info =
            closeDialogOpenedBy([&] { postDoubleClick(control(IDC_PATTERN_LIST), 0); }, IDC_TITLE_TEXT);
        EXPECT_EQ(info.markerText, c.title);
        DestroyWindow(window());
        shutDown();
    }
}

// The settings buttons open their dialogs over the main window; the
// language button also before the window is ready.
TEST_F(MainWindowTest, SettingsButtonsOpenTheirDialogs) {
    openWindow();
    struct Case {
        int buttonId;
        int dialogControlId;
        bool ready;
    };
    const Case cases[] = {
        {IDC_DEVICE_BUTTON, IDC_MIDI_IN_LIST, true},
        {IDC_SYNC_MODE_BUTTON, IDC_IN_SYNC_MODE_LIST, true},
        {IDC_LANGUAGE_BUTTON, IDC_USER_INTERFACE_COMBO, true},
        {IDC_LANGUAGE_BUTTON, IDC_USER_INTERFACE_COMBO, false},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(testing::Message() << row.buttonId << " ready " << row.ready);
        playerState.shell.uiReady = row.ready ? 1 : 0;
        const OwnedDialog dialog = closeDialogOpenedBy(
            [&] { PostMessageW(control(row.buttonId), BM_CLICK, 0, 0); }, row.dialogControlId);
        EXPECT_TRUE(dialog.shown);
    }
    EXPECT_TRUE(boxes().empty());
}
