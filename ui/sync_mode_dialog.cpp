#include "ui/sync_mode_dialog.h"

#include <iterator>

#include "engine/player_state.h"
#include "resources/resource_ids.h"
#include "ui/message_box.h"
#include "ui/modal_dialog.h"

namespace {

// Row i of each list is sync mode i.
constexpr UINT kInSyncModeNames[] = {IDS_IN_SYNC_MODE_NONE, IDS_IN_SYNC_MODE_CLOCK,
                                     IDS_IN_SYNC_MODE_TIME_CODE};
constexpr UINT kOutSyncModeNames[] = {IDS_OUT_SYNC_MODE_NONE,    IDS_OUT_SYNC_MODE_CLOCK,
                                      IDS_OUT_SYNC_MODE_MTC24,   IDS_OUT_SYNC_MODE_MTC25,
                                      IDS_OUT_SYNC_MODE_MTC2997, IDS_OUT_SYNC_MODE_MTC30};

// The rows named by the strings, the row `selectedMode` selected; a stored
// mode with no such row leaves the list without selection.
template <size_t N>
void fillModeList(HWND list, const UINT (&nameIds)[N], int32_t selectedMode) {
    for (UINT nameId : nameIds) {
        wchar_t name[256] = {};
        LoadStringW(static_cast<HINSTANCE>(playerState.shell.resourceModule), nameId, name,
                    static_cast<int>(std::size(name)));
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
    if (selectedMode >= 0 && selectedMode < static_cast<int32_t>(N)) {
        SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(selectedMode), 0);
    }
}

// The selected row, or -1.
int32_t selectedRow(HWND dialog, int listId) {
    LRESULT row = SendDlgItemMessageW(dialog, listId, LB_GETCURSEL, 0, 0);
    return row == LB_ERR ? -1 : static_cast<int32_t>(row);
}

BOOL onInitDialog(HWND dialog) {
    fillModeList(GetDlgItem(dialog, IDC_IN_SYNC_MODE_LIST), kInSyncModeNames,
                 playerState.settings.midiInSyncMode);
    fillModeList(GetDlgItem(dialog, IDC_OUT_SYNC_MODE_LIST), kOutSyncModeNames,
                 playerState.settings.midiOutSyncMode);
    SetFocus(GetDlgItem(dialog, IDC_IN_SYNC_MODE_LIST));
    return FALSE;  // the focus is set
}

// With nothing to follow on the input, the main window goes back to its own
// tempo; either way it re-applies its tempo mode, so both clocks take the new
// input sync mode before the dialog goes on.
void applyInSyncMode(HWND mainWindow, int32_t inSyncMode) {
    PlayerState& p = playerState;
    p.settings.midiInSyncMode = inSyncMode;
    // Any tempo mode but 0 follows the input, as the main window shows it.
    if (inSyncMode == 0 && p.settings.tempoMode != 0) {
        p.settings.tempoMode = 0;
        CheckRadioButton(mainWindow, IDC_TEMPO_INTERNAL_RADIO, IDC_TEMPO_FOLLOW_RADIO,
                         IDC_TEMPO_INTERNAL_RADIO);
    }
    int commandId = p.settings.tempoMode == 0 ? IDC_TEMPO_INTERNAL_RADIO : IDC_TEMPO_FOLLOW_RADIO;
    SendMessageW(mainWindow, WM_COMMAND, MAKEWPARAM(commandId, 0), 0);
}

// A missing output choice leaves the dialog open with the input sync mode
// already applied.
void onOk(HWND dialog) {
    int32_t inSyncMode = selectedRow(dialog, IDC_IN_SYNC_MODE_LIST);
    if (inSyncMode < 0) {
        showStringMessage(dialog, IDS_NO_IN_SYNC_MODE_SELECTED, nullptr, MB_OK | MB_ICONWARNING);
        return;
    }
    applyInSyncMode(GetWindow(dialog, GW_OWNER), inSyncMode);

    int32_t outSyncMode = selectedRow(dialog, IDC_OUT_SYNC_MODE_LIST);
    if (outSyncMode < 0) {
        showStringMessage(dialog, IDS_NO_OUT_SYNC_MODE_SELECTED, nullptr, MB_OK | MB_ICONWARNING);
        return;
    }
    playerState.settings.midiOutSyncMode = outSyncMode;
    EndDialog(dialog, 1);
}

}  // namespace

void runSyncModeDialog(HWND owner) {
    static constexpr ModalDialogHandlers handlers{onInitDialog, onOk};
    runModalDialog(owner, IDD_SYNC_MODE_DIALOG, handlers);
}
