#include "ui/device_dialog.h"

#include <algorithm>
#include <chrono>
#include <cwchar>
#include <cwctype>
#include <future>
#include <iterator>
#include <mutex>

#include "engine/player_state.h"
#include "engine/port_keeper.h"
#include "engine/port_reopen.h"
#include "engine/worker_sleep.h"
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
// Item data of the row that stands for the stored device while it is not
// open; its text carries a mark, so OK takes the stored name instead.
constexpr LPARAM kStoredNotOpenedRow = 1;

using DeviceCount = int32_t (*)();
using DeviceName = int32_t (*)(int32_t, wchar_t*, int32_t);

LRESULT addRow(HWND list, const wchar_t* text, bool select) {
    LRESULT row = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (select && row >= 0) SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
    return row;
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

// The stored device is not open (it failed to open, or its cable is out):
// its row, or a row of its own when it is not listed, reads as not opened,
// so the dialog never shows a device as working that is not.
void markStoredNotOpened(HWND list, const wchar_t* storedName) {
    if (storedName[0] == L'\0') return;
    wchar_t mark[64] = {};
    LoadStringW(static_cast<HINSTANCE>(playerState.shell.resourceModule), IDS_DEVICE_NOT_OPENED, mark,
                static_cast<int>(std::size(mark)));
    wchar_t text[kTextSize + std::size(mark) + 2];
    std::swprintf(text, std::size(text), L"%ls  %ls", storedName, mark);
    LRESULT row = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (row != LB_ERR) {
        SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(row), 0);
        row = SendMessageW(list, LB_INSERTSTRING, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text));
    } else {
        row = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    if (row < 0) return;
    SendMessageW(list, LB_SETITEMDATA, static_cast<WPARAM>(row), kStoredNotOpenedRow);
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
}

bool hasSelection(HWND list) {
    return SendMessageW(list, LB_GETCURSEL, 0, 0) != LB_ERR;
}

// The device name the selected row stands for, into `name`.
void selectedDeviceName(HWND list, const wchar_t* storedName, wchar_t (&name)[kDeviceNameSize]) {
    const LRESULT row = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (SendMessageW(list, LB_GETITEMDATA, static_cast<WPARAM>(row), 0) == kStoredNotOpenedRow) {
        name[0] = L'\0';
        std::wcsncat(name, storedName, kDeviceNameSize - 1);
        return;
    }
    getSelectedText(list, name, kDeviceNameSize);
}

// The name kept in the settings: the first 32 characters of the device's
// own name, and the number that tells namesakes apart ("USB MIDI cable #2")
// kept whole, so that the stored name opens that device again.
void storedNameOf(const wchar_t* rowText, wchar_t (&storedName)[kTextSize]) {
    const size_t length = std::wcslen(rowText);
    size_t base = length;
    while (base > 0 && std::iswdigit(rowText[base - 1])) --base;
    const bool numbered = base < length && base >= 2 && rowText[base - 1] == L'#' && rowText[base - 2] == L' ';
    base = numbered ? base - 2 : length;
    storedName[0] = L'\0';
    std::wcsncat(storedName, rowText, std::min(base, kStoredNameLength));
    if (numbered) std::wcsncat(storedName, rowText + base, kTextSize - 1 - std::wcslen(storedName));
}

// After a reopen: the port now open (or about to be) gives the stored name.
// A device that fails to open warns with its name and leaves the stored name
// as it was, so an unplugged device is tried again at the next start.
// "(None)" never opens; choosing it stores the empty name.
void storeDeviceName(HWND dialog, wchar_t (&storedName)[kTextSize], bool opened,
                     const wchar_t* rowText, int32_t failureStringId) {
    if (opened) {
        storedNameOf(rowText, storedName);
    } else if (std::wcscmp(rowText, kNoDevice) == 0) {
        storedName[0] = L'\0';
    } else {
        showStringMessage(dialog, failureStringId, rowText, MB_OK | MB_ICONWARNING);
    }
}

// Waits for `closed` at most `timeoutMs`, answering the messages other
// threads send to this thread's windows meanwhile.
bool waitAnswering(const std::shared_future<void>& closed, uint32_t timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (closed.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(5, static_cast<DWORD>(deadline - now)),
                                  QS_SENDMESSAGE);
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    return true;
}

// One side's reopen: the row's device, or none for "(None)".
bool reopenPort(PortSide side, const wchar_t* rowText) {
    wchar_t wanted[kTextSize];
    storedNameOf(rowText, wanted);
    const bool none = std::wcscmp(rowText, kNoDevice) == 0;
    return reopenPort(side, none ? nullptr : rowText, wanted, waitAnswering);
}

template <typename Port>
bool isOpen(Port* const& slot, int32_t (*isGone)(const Port*)) {
    std::lock_guard guard(playerState.lock);
    return slot != nullptr && !isGone(slot);
}

BOOL onInitDialog(HWND dialog) {
    PlayerState& p = playerState;
    CheckDlgButton(dialog, IDC_MIDI_THRU_CHECK, p.settings.midiThru ? BST_CHECKED : BST_UNCHECKED);

    HWND inList = GetDlgItem(dialog, IDC_MIDI_IN_LIST);
    addRow(inList, kNoDevice, p.settings.midiInName[0] == L'\0');
    addDeviceRows(inList, MIDIIn_GetDeviceNum, MIDIIn_GetDeviceNameW, p.settings.midiInName);
    if (!isOpen(p.handles.midiIn, MIDIIn_IsGone)) markStoredNotOpened(inList, p.settings.midiInName);

    HWND outList = GetDlgItem(dialog, IDC_MIDI_OUT_LIST);
    addRow(outList, kNoDevice, p.settings.midiOutName[0] == L'\0');
    addRow(outList, kMidiMapper, std::wcscmp(p.settings.midiOutName, kMidiMapper) == 0);
    addDeviceRows(outList, MIDIOut_GetDeviceNum, MIDIOut_GetDeviceNameW, p.settings.midiOutName);
    if (!isOpen(p.handles.midiOut, MIDIOut_IsGone)) markStoredNotOpened(outList, p.settings.midiOutName);

    SetFocus(inList);
    return FALSE;  // the focus is set
}

// Each step stands once it is done: a missing output choice leaves the
// dialog open with thru and the input already applied.
void onOk(HWND dialog) {
    PlayerState& p = playerState;
    p.settings.midiThru = IsDlgButtonChecked(dialog, IDC_MIDI_THRU_CHECK) == BST_CHECKED ? 1 : 0;

    HWND inList = GetDlgItem(dialog, IDC_MIDI_IN_LIST);
    if (!hasSelection(inList)) {
        showStringMessage(dialog, IDS_NO_INPUT_SELECTED, nullptr, MB_OK | MB_ICONWARNING);
        return;
    }
    wchar_t name[kDeviceNameSize];
    selectedDeviceName(inList, p.settings.midiInName, name);
    const bool inputOpened = reopenPort(PortSide::input, name);
    // The input thread sleeps until a message arrives; the new port can only
    // tell it once its next pass has handed the port its wake-up.
    inputWake.signal();
    storeDeviceName(dialog, p.settings.midiInName, inputOpened, name, IDS_INPUT_OPEN_FAILED);

    HWND outList = GetDlgItem(dialog, IDC_MIDI_OUT_LIST);
    if (!hasSelection(outList)) {
        showStringMessage(dialog, IDS_NO_OUTPUT_SELECTED, nullptr, MB_OK | MB_ICONWARNING);
        return;
    }
    selectedDeviceName(outList, p.settings.midiOutName, name);
    const bool outputOpened = reopenPort(PortSide::output, name);
    storeDeviceName(dialog, p.settings.midiOutName, outputOpened, name, IDS_OUTPUT_OPEN_FAILED);

    EndDialog(dialog, 1);
}

}  // namespace

void runDeviceDialog(HWND owner) {
    static constexpr ModalDialogHandlers handlers{onInitDialog, onOk};
    runModalDialog(owner, IDD_DEVICE_DIALOG, handlers);
}
