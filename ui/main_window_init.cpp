// initMainWindow: the point where the player's runtime objects are made and
// the worker threads start. No lock is taken: no worker runs before step 12.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <iterator>

#include "engine/player_state.h"
#include "engine/port_reopen.h"
#include "engine/transport.h"
#include "midi/song/midi_data.h"
#include "midi/status/midi_status.h"
#include "resources/resource_ids.h"
#include "settings/settings_keys.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/tempo_controls.h"
#include "ui/window_player_ui.h"

namespace {

constexpr int32_t kMinimumLevel = 1;
constexpr int32_t kMaximumLevel = 200;
// Mirrors of the ports: module mode 0, 16 parts, 2 drum set-ups.
constexpr int32_t kMirrorParts = 16;
constexpr int32_t kMirrorDrumSetups = 2;

WorkerStarter workerStarter = nullptr;

// The stored pattern is loaded only when its list shows it; it loads by the
// stored name, not the entry's text, as their letter case may differ.
void loadListedPattern(HWND window, WindowPlayerUi& ui) {
    if (!selectFileListEntry(GetDlgItem(window, IDC_PATTERN_LIST), playerState.settings.patternName)) return;
    ui.showSongWarning(loadStoredPattern());
}

// The spin control shows the level within its range; the edit shows the
// stored level as it is, so a stored 250 reads "250" and stays 250 until
// the musician changes it.
void fillGroupControls(HWND window, int group) {
    const int offset = IDC_GROUP_STRIDE * (group - 1);
    const int32_t level = playerState.settings.noteLevel[group];
    CheckDlgButton(window, IDC_GROUP_CHECK_FIRST + offset,
                   playerState.settings.noteCheck[group] ? BST_CHECKED : BST_UNCHECKED);
    HWND spin = GetDlgItem(window, IDC_GROUP_LEVEL_SPIN_FIRST + offset);
    SendMessageW(spin, UDM_SETRANGE, 0, MAKELPARAM(kMaximumLevel, kMinimumLevel));
    SendMessageW(spin, UDM_SETPOS32, 0, std::clamp(level, kMinimumLevel, kMaximumLevel));
    wchar_t text[16];
    std::swprintf(text, std::size(text), L"%d", level);
    SetDlgItemTextW(window, IDC_GROUP_LEVEL_EDIT_FIRST + offset, text);
}

void warnOpenFailed(HWND window, int32_t stringId, const wchar_t* deviceName) {
    showStringMessage(window, stringId, deviceName, MB_OK | MB_ICONWARNING);
}

void openStoredPorts(HWND window) {
    const PlayerSettings& names = playerState.settings;
    if (!openStoredPort(PortSide::input)) warnOpenFailed(window, IDS_INPUT_OPEN_FAILED, names.midiInName);
    if (!openStoredPort(PortSide::output)) warnOpenFailed(window, IDS_OUTPUT_OPEN_FAILED, names.midiOutName);
}

}  // namespace

void setWorkerStarter(WorkerStarter startWorkers) {
    workerStarter = startWorkers;
}

void initMainWindow(HWND window) {
    PlayerState& p = playerState;
    WindowPlayerUi& ui = mainWindowUi();
    ui.attach(window);
    p.shell.mainWindow = &ui;
    SetWindowTextW(window, p.shell.caption);

    MIDIDataLib_SetDefaultCharCode(codePageOfTextEncoding(p.settings.textEncoding));

    fillFileList(GetDlgItem(window, IDC_PATCH_LIST), L"patch\\*.mid");
    selectFileListEntry(GetDlgItem(window, IDC_PATCH_LIST), p.settings.patchName);
    fillFileList(GetDlgItem(window, IDC_PATTERN_LIST), L"pattern\\*.mid");
    loadListedPattern(window, ui);
    for (int32_t missing = createClocks(); missing > 0; --missing)
        ui.showWarning(Warning::clockCreateFailed, nullptr);
    initTempoControls(window);

    for (int group = 1; group <= kMasterDrumGroup; ++group) fillGroupControls(window, group);
    CheckDlgButton(window, IDC_SYNC_START_CHECK, p.settings.syncStart ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(window, IDC_SYNC_STOP_CHECK, p.settings.syncStop ? BST_CHECKED : BST_UNCHECKED);

    p.handles.midiInStatus = MIDIStatus_Create(0, kMirrorParts, kMirrorDrumSetups);
    p.handles.midiOutStatus = MIDIStatus_Create(0, kMirrorParts, kMirrorDrumSetups);
    openStoredPorts(window);

    if (workerStarter) workerStarter();
    p.shell.uiReady = 1;
}
