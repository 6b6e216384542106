#include "ui/device_dialog.h"

#include <cwchar>
#include <iterator>
#include <mutex>

#include "engine/player_state.h"
#include "midi/ports/midi_io.h"
#include "resources/resource_ids.h"
#include "ui/message_box.h"
#include "ui/selected_text.h"
#include "ui/modal_dialog.h"

namespace {

// Rows that are not devices of the port service's lists.
constexpr wchar_t kNoDevice[] = L"(None)";
constexpr wchar_t kMidiMapper[] = L"MIDI Mapper";
// Device names as the port service reports them: up to 1023 characters.
constexpr int32_t kDeviceNameSize = 1024;
// Characters of a device name kept in the player's settings.
constexpr size_t kStoredNameLength = 32;

using DeviceCount = int32_t (*)();
using DeviceName = int32_t (*)(int32_t, wchar_t*, int32_t);

void addRow(HWND list, const wchar_t* text, bool select) {
    LRESULT row = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (select && row >= 0) SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
}

// Every device after the fixed rows, the one named `storedName` selected
// (the last of several, none when it is not present).
void addDeviceRows(HWND list, DeviceCount count, DeviceName nameOf, const wchar_t* storedName) {
    int32_t devices = count();
    for (int32_t i = 0; i < devices; ++i) {
        wchar_t name[kDeviceNameSize] = {};
        nameOf(i, name, static_cast<int32_t>(std::size(name)));
        addRow(list, name, std::wcscmp(name, storedName) == 0);
    }
}

bool hasSelection(HWND list) {
    return SendMessageW(list, LB_GETCURSEL, 0, 0) != LB_ERR;
}

// After a reopen: the port now open gives the stored name (its first 32
// characters). A device that fails to open warns with its name and leaves
// the stored name as it was, so an unplugged device is tried again at the
// next start. "(None)" never opens; choosing it stores the empty name.
void storeDeviceName(HWND dialog, wchar_t (&storedName)[kTextSize], bool opened,
                     const wchar_t* rowText, int32_t failureStringId) {
    if (opened) {
        storedName[0] = L'\0';
        std::wcsncat(storedName, rowText, kStoredNameLength);
    } else if (std::wcscmp(rowText, kNoDevice) == 0) {
        storedName[0] = L'\0';
    } else {
        showStringMessage(dialog, failureStringId, rowText, MB_OK | MB_ICONWARNING);
    }
}

BOOL onInitDialog(HWND dialog) {
    PlayerState& p = playerState;
    CheckDlgButton(dialog, IDC_MIDI_THRU_CHECK, p.midiThru ? BST_CHECKED : BST_UNCHECKED);

    HWND inList = GetDlgItem(dialog, IDC_MIDI_IN_LIST);
    addRow(inList, kNoDevice, p.midiInName[0] == L'\0');
    addDeviceRows(inList, MIDIIn_GetDeviceNum, MIDIIn_GetDeviceNameW, p.midiInName);

    HWND outList = GetDlgItem(dialog, IDC_MIDI_OUT_LIST);
    addRow(outList, kNoDevice, p.midiOutName[0] == L'\0');
    addRow(outList, kMidiMapper, std::wcscmp(p.midiOutName, kMidiMapper) == 0);
    addDeviceRows(outList, MIDIOut_GetDeviceNum, MIDIOut_GetDeviceNameW, p.midiOutName);

    SetFocus(inList);
    return FALSE;  // the focus is set
}

// Each step stands once it is done: a missing output choice leaves the
// dialog open with thru and the input already applied.
void onOk(HWND dialog) {
    PlayerState& p = playerState;
    p.midiThru = IsDlgButtonChecked(dialog, IDC_MIDI_THRU_CHECK) == BST_CHECKED ? 1 : 0;

    HWND inList = GetDlgItem(dialog, IDC_MIDI_IN_LIST);
    if (!hasSelection(inList)) {
        showStringMessage(dialog, IDS_NO_INPUT_SELECTED, nullptr, MB_OK | MB_ICONWARNING);
        return;
    }
    wchar_t row[kDeviceNameSize];
    getSelectedText(inList, row, kDeviceNameSize);
    {
        // The input thread reads through the port during its locked pass.
        std::lock_guard guard(p.lock);
        p.midiIn = MIDIIn_ReopenW(p.midiIn, row);
    }
    storeDeviceName(dialog, p.midiInName, p.midiIn != nullptr, row, IDS_INPUT_OPEN_FAILED);

    HWND outList = GetDlgItem(dialog, IDC_MIDI_OUT_LIST);
    if (!hasSelection(outList)) {
        showStringMessage(dialog, IDS_NO_OUTPUT_SELECTED, nullptr, MB_OK | MB_ICONWARNING);
        return;
    }
    getSelectedText(outList, row, kDeviceNameSize);
    {
        std::lock_guard guard(p.lock);
        p.midiOut = MIDIOut_ReopenW(p.midiOut, row);
    }
    storeDeviceName(dialog, p.midiOutName, p.midiOut != nullptr, row, IDS_OUTPUT_OPEN_FAILED);

    EndDialog(dialog, 1);
}

}  // namespace

void runDeviceDialog(HWND owner) {
    static constexpr ModalDialogHandlers handlers{onInitDialog, onOk};
    runModalDialog(owner, IDD_DEVICE_DIALOG, handlers);
}
