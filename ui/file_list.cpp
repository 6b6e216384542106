#include <cwchar>
#include <iterator>

#include "engine/player_state.h"
#include "common/song_path.h"
#include "ui/main_window.h"

// The folders are searched below the program folder, not the current
// directory, so a shortcut that starts the program elsewhere still lists the
// files the players load from there.
void fillFileList(HWND list, const wchar_t* pattern) {
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    wchar_t search[kAppDirSize + kTextSize];
    if (std::swprintf(search, std::size(search), L"%ls%lc%ls", playerState.shell.appDir, kPathSeparator,
                      pattern) < 0)
        return;
    WIN32_FIND_DATAW found;
    HANDLE folderSearch = FindFirstFileW(search, &found);
    if (folderSearch == INVALID_HANDLE_VALUE) return;
    do {
        if (std::wcscmp(found.cFileName, L".") == 0 || std::wcscmp(found.cFileName, L"..") == 0) continue;
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(found.cFileName));
    } while (FindNextFileW(folderSearch, &found));
    FindClose(folderSearch);
}

bool selectFileListEntry(HWND list, const wchar_t* name) {
    // No file is named by the empty text; an empty stored name selects
    // nothing, whatever the list box would make of an empty search.
    if (!name || !name[0]) return false;
    const LRESULT index =
        SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name));
    if (index == LB_ERR) return false;
    // A selection made by the program raises no LBN_SELCHANGE.
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    return true;
}
