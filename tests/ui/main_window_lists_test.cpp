// The file lists: a double-click on an entry that is not yet selected loads
// it (a patch is also sent) and then shows that song's information.
#include <string>

#include "engine/player_state.h"
#include "resources/resource_ids.h"
#include "tests/ui/main_window_fixture.h"

namespace {

struct SongInfoSeen {
    HWND owner = nullptr;
    bool shown = false;
    int32_t target = -1;
    std::wstring title;
};

SongInfoSeen seen;

BOOL CALLBACK closeSongInfoDialog(HWND window, LPARAM) {
    if (GetWindow(window, GW_OWNER) != seen.owner || !GetDlgItem(window, IDC_TITLE_TEXT)) return TRUE;
    wchar_t title[128] = {};
    GetDlgItemTextW(window, IDC_TITLE_TEXT, title, 128);
    seen = {seen.owner, true, playerState.infoTarget, title};
    PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    return FALSE;
}

// Runs inside the dialog's modal loop.
void CALLBACK lookForSongInfoDialog(HWND, UINT, UINT_PTR, DWORD) {
    if (!seen.shown) EnumThreadWindows(GetCurrentThreadId(), closeSongInfoDialog, 0);
}

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
    wcscpy(playerState.patternName, L"First.mid");
    wcscpy(playerState.patchName, L"Kit A.mid");
    openWindow();

    struct Case {
        int listId;
        const wchar_t* entry;
        int32_t target;
        const wchar_t* title;
        const wchar_t* storedName;
    };
    const Case cases[] = {
        {IDC_PATTERN_LIST, L"Second.mid", 0, L"Second Groove", playerState.patternName},
        {IDC_PATCH_LIST, L"Kit B.mid", 1, L"Kit B", playerState.patchName},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(testing::Message() << row.listId);
        seen = SongInfoSeen{};
        seen.owner = window();
        const UINT_PTR timer = SetTimer(nullptr, 0, 20, lookForSongInfoDialog);
        const LRESULT index =
            SendMessageW(control(row.listId), LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                         reinterpret_cast<LPARAM>(row.entry));
        ASSERT_GE(index, 0);
        postDoubleClick(control(row.listId), static_cast<int>(index));
        const bool shown = pumpUntil([] { return seen.shown; });
        KillTimer(nullptr, timer);
        ASSERT_TRUE(shown);
        EXPECT_EQ(seen.target, row.target);
        EXPECT_EQ(seen.title, row.title);
        EXPECT_STREQ(row.storedName, row.entry);
    }
    // The patch was sent when it was chosen.
    EXPECT_TRUE(pumpUntil([] {
        const std::vector<Bytes> messages = sent();
        return std::find(messages.begin(), messages.end(), Bytes{0xC0, 2}) != messages.end();
    }));
    EXPECT_TRUE(boxes().empty());
}
