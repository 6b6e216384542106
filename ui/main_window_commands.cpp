// The main window's command table. Button and check-box commands act only
// once the window is ready and only for notification code 0 (a click, or a
// command posted by the MIDI input thread); the lists act on a selection
// change (1) and a double-click (2) at any time, the level edits on
// EN_CHANGE once ready, and the language button always.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "engine/drum_groups.h"
#include "engine/patch_player.h"
#include "engine/player_state.h"
#include "engine/transport.h"
#include "resources/resource_ids.h"
#include "ui/device_dialog.h"
#include "ui/language_dialog.h"
#include "ui/main_window.h"
#include "ui/selected_text.h"
#include "ui/song_info_dialog.h"
#include "ui/sync_mode_dialog.h"
#include "ui/tempo_controls.h"
#include "ui/window_player_ui.h"

namespace {

constexpr int kClicked = 0;
constexpr int32_t kPatternTarget = 0;
constexpr int32_t kPatchTarget = 1;

// A drum group's controls carry the group in bits 4..7 of their identifier.
int groupOf(int id) {
    return (id >> 4) & 15;
}

bool isGroupControl(int id, int firstId) {
    const int group = groupOf(id);
    return group >= 1 && group <= kMasterDrumGroup && id == firstId + IDC_GROUP_STRIDE * (group - 1);
}

bool isChecked(HWND window, int id) {
    return IsDlgButtonChecked(window, id) == BST_CHECKED;
}

// The name selected in a song list, cut to what the settings file stores.
std::wstring selectedName(HWND window, int listId) {
    wchar_t name[kTextSize];
    getSelectedText(GetDlgItem(window, listId), name, kTextSize);
    return name;
}

void onPatchList(HWND window, int code) {
    if (code == LBN_SELCHANGE)
        mainWindowUi().showSongWarning(selectPatch(selectedName(window, IDC_PATCH_LIST).c_str()));
    else if (code == LBN_DBLCLK) openSongInfoDialog(window, kPatchTarget);
}

void onPatternList(HWND window, int code) {
    if (code == LBN_SELCHANGE)
        mainWindowUi().showSongWarning(selectPattern(selectedName(window, IDC_PATTERN_LIST).c_str()));
    else if (code == LBN_DBLCLK) openSongInfoDialog(window, kPatternTarget);
}

void onGroupCheck(HWND window, int id) {
    setGroupEnabled(groupOf(id), isChecked(window, id) ? 1 : 0);
}

// The level comes from the edit's up-down control, which reads the edit's
// text; a text that is no level within its range comes back with an error
// word in the high 16 bits, and setGroupLevel keeps the old level then.
void onGroupLevelEdit(HWND window, int id) {
    const LRESULT position = SendDlgItemMessageW(window, id + 1, UDM_GETPOS, 0, 0);
    setGroupLevel(groupOf(id), static_cast<int32_t>(position));
}

// Start and Continue warn in a box when no pattern is loaded, and the box's
// message loop runs the next Start the input thread posts: every note of a
// phrase played with no pattern would open one more box inside the last,
// until the stack ran out. While that box is open, a Start or Continue that
// would open another is dropped; one that can play runs, whatever box or
// dialog is open (a master's Start while the musician sets the sync modes).
bool noPatternBoxOpen = false;

void runTransport(std::optional<Warning> (*operation)()) {
    // Only this thread loads patterns, so the check holds for the call.
    if (!playerState.handles.patternData && noPatternBoxOpen) return;
    const std::optional<Warning> warning = operation();
    if (!warning) return;
    noPatternBoxOpen = true;
    mainWindowUi().showWarning(*warning, nullptr);
    noPatternBoxOpen = false;
}

void onTempoMode(HWND window, int id) { chooseTempoMode(window, id); }
void onStart(HWND, int) { runTransport(startPattern); }
void onStop(HWND, int) { stopPlayback(); }
void onContinue(HWND, int) { runTransport(continuePattern); }
void onSyncStart(HWND window, int id) { playerState.settings.syncStart = isChecked(window, id) ? 1 : 0; }
void onSyncStop(HWND window, int id) { playerState.settings.syncStop = isChecked(window, id) ? 1 : 0; }
void onDevices(HWND window, int) { runDeviceDialog(window); }
void onSyncModes(HWND window, int) { runSyncModeDialog(window); }
void onExit(HWND window, int) { DestroyWindow(window); }

struct ClickCommand {
    int id;
    void (*run)(HWND window, int id);
};

constexpr ClickCommand kClickCommands[] = {
    {IDC_TEMPO_INTERNAL_RADIO, onTempoMode},
    {IDC_TEMPO_FOLLOW_RADIO, onTempoMode},
    {IDC_START_BUTTON, onStart},
    {IDC_STOP_BUTTON, onStop},
    {IDC_CONTINUE_BUTTON, onContinue},
    {IDC_SYNC_START_CHECK, onSyncStart},
    {IDC_SYNC_STOP_CHECK, onSyncStop},
    {IDC_DEVICE_BUTTON, onDevices},
    {IDC_SYNC_MODE_BUTTON, onSyncModes},
    {IDC_EXIT_BUTTON, onExit},
};

}  // namespace

void onMainWindowCommand(HWND window, int id, int code) {
    switch (id) {
    case IDC_PATCH_LIST: onPatchList(window, code); return;
    case IDC_PATTERN_LIST: onPatternList(window, code); return;
    case IDC_LANGUAGE_BUTTON: runLanguageDialog(window); return;
    default: break;
    }
    // Everything else waits for the end of initMainWindow; this also drops
    // the edit changes that filling the level edits raises.
    if (!playerState.shell.uiReady) return;
    if (isGroupControl(id, IDC_GROUP_LEVEL_EDIT_FIRST)) {
        if (code == EN_CHANGE) onGroupLevelEdit(window, id);
        return;
    }
    if (code != kClicked) return;
    if (isGroupControl(id, IDC_GROUP_CHECK_FIRST)) {
        onGroupCheck(window, id);
        return;
    }
    for (const ClickCommand& command : kClickCommands) {
        if (command.id == id) {
            command.run(window, id);
            return;
        }
    }
}
