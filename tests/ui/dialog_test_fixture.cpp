#include "tests/ui/dialog_test_fixture.h"

#include <commctrl.h>

#include <iterator>

#include "engine/player_state.h"
#include "midi/clock/midi_clock.h"
#include "midi/ports/midi_io.h"
#include "midi/ports/virtual_midi.h"
#include "midi/song/midi_data.h"
#include "resources/resource_ids.h"
#include "ui/message_box.h"
#include "ui/tempo_controls.h"
#include "tests/support/language_module_files.h"

namespace {

constexpr wchar_t kNoRow[] = L"<none>";

HMODULE englishModule() {
    static const HMODULE module = LoadLibraryW(testLanguageModulePath(L"QuillbexEnu.dll").c_str());
    return module;
}

int recordBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
    shownBoxes().push_back({owner, text, caption, type});
    return IDOK;
}

INT_PTR CALLBACK tempoModeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
    if (message != WM_COMMAND || HIWORD(wParam) != 0) return FALSE;
    int commandId = LOWORD(wParam);
    if (commandId != IDC_TEMPO_INTERNAL_RADIO && commandId != IDC_TEMPO_FOLLOW_RADIO) return FALSE;
    chooseTempoMode(window, commandId);
    return TRUE;
}

// The running script of runModal: the dialog's message loop calls it on a
// timer until the dialog ends.
struct ModalScript {
    HWND owner;
    std::vector<DialogStep> steps;
    size_t next = 0;
    bool leftOpen = false;
};
ModalScript* activeScript = nullptr;

struct OwnedDialogSearch {
    HWND owner;
    HWND found;
};

BOOL CALLBACK findOwnedDialog(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<OwnedDialogSearch*>(parameter);
    if (GetWindow(window, GW_OWNER) != search->owner || !IsWindowVisible(window)) return TRUE;
    search->found = window;
    return FALSE;
}

void CALLBACK runNextStep(HWND, UINT, UINT_PTR, DWORD) {
    ModalScript& script = *activeScript;
    OwnedDialogSearch search{script.owner, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), findOwnedDialog, reinterpret_cast<LPARAM>(&search));
    if (!search.found) return;  // not shown yet
    if (script.next < script.steps.size()) {
        script.steps[script.next++](search.found);
        return;
    }
    script.leftOpen = true;
    EndDialog(search.found, 0);
}

}  // namespace

std::vector<ShownBox>& shownBoxes() {
    static std::vector<ShownBox> boxes;
    return boxes;
}

void DialogTest::SetUp() {
    resetPlayerState();
    shownBoxes().clear();
    HMODULE module = englishModule();
    ASSERT_NE(module, nullptr) << "QuillbexEnu.dll not found beside the tests";
    playerState.shell.resourceModule = module;
    LoadStringW(module, IDS_CAPTION, playerState.shell.caption, kTextSize);
    setMessageBoxFunction(recordBox);
    registerTestMainWindowClass(module, DefDlgProcW);
    mainWindow_ = CreateDialogParamW(module, MAKEINTRESOURCEW(IDD_MAIN_WINDOW), nullptr,
                                     tempoModeWindowProc, 0);
    ASSERT_NE(mainWindow_, nullptr);
}

void DialogTest::TearDown() {
    if (mainWindow_) DestroyWindow(mainWindow_);
    setMessageBoxFunction(nullptr);
    MIDIIn_Close(playerState.handles.midiIn);
    MIDIOut_Close(playerState.handles.midiOut);
    MIDIData_Delete(playerState.handles.patternData);
    MIDIData_Delete(playerState.handles.patchData);
    MIDIClock_Delete(playerState.handles.patternClock);
    MIDIClock_Delete(playerState.handles.patchClock);
    VirtualMIDI_RemoveAll();
    resetPlayerState();
}

void DialogTest::showTempoControls() {
    initTempoControls(mainWindow_);
}

ModalRun DialogTest::runModal(const std::function<void()>& open, std::vector<DialogStep> steps) {
    ModalScript script{mainWindow_, std::move(steps)};
    activeScript = &script;
    UINT_PTR timer = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, runNextStep);
    open();
    KillTimer(nullptr, timer);
    activeScript = nullptr;
    return {script.next, script.leftOpen};
}

std::wstring DialogTest::loadString(int stringId) {
    wchar_t text[1024] = {};
    LoadStringW(static_cast<HINSTANCE>(playerState.shell.resourceModule), stringId, text,
                static_cast<int>(std::size(text)));
    return text;
}

std::wstring DialogTest::messageText(int stringId, const std::wstring& detail) {
    return detail.empty() ? loadString(stringId) : loadString(stringId) + L"\n" + detail;
}

std::wstring DialogTest::controlText(HWND dialog, int controlId) {
    wchar_t text[1024] = {};
    GetDlgItemTextW(dialog, controlId, text, static_cast<int>(std::size(text)));
    return text;
}

namespace {

bool isComboBox(HWND control) {
    wchar_t name[32] = {};
    GetClassNameW(control, name, static_cast<int>(std::size(name)));
    return lstrcmpiW(name, L"ComboBox") == 0;
}

struct RowMessages {
    UINT count, text, textLength, getSelection, setSelection;
};

RowMessages rowMessages(HWND control) {
    if (isComboBox(control))
        return {CB_GETCOUNT, CB_GETLBTEXT, CB_GETLBTEXTLEN, CB_GETCURSEL, CB_SETCURSEL};
    return {LB_GETCOUNT, LB_GETTEXT, LB_GETTEXTLEN, LB_GETCURSEL, LB_SETCURSEL};
}

std::wstring rowText(HWND control, const RowMessages& messages, LRESULT row) {
    LRESULT length = SendMessageW(control, messages.textLength, static_cast<WPARAM>(row), 0);
    if (length < 0) return kNoRow;
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(control, messages.text, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

}  // namespace

std::wstring DialogTest::selectedRow(HWND dialog, int listId) {
    HWND control = GetDlgItem(dialog, listId);
    RowMessages messages = rowMessages(control);
    LRESULT row = SendMessageW(control, messages.getSelection, 0, 0);
    return row < 0 ? std::wstring(kNoRow) : rowText(control, messages, row);
}

void DialogTest::selectRow(HWND dialog, int listId, const std::wstring& text) {
    HWND control = GetDlgItem(dialog, listId);
    RowMessages messages = rowMessages(control);
    LRESULT rows = SendMessageW(control, messages.count, 0, 0);
    for (LRESULT row = 0; row < rows; ++row) {
        if (rowText(control, messages, row) == text) {
            SendMessageW(control, messages.setSelection, static_cast<WPARAM>(row), 0);
            return;
        }
    }
    ADD_FAILURE() << "no row reads the given text";
}

void DialogTest::clearSelection(HWND dialog, int listId) {
    HWND control = GetDlgItem(dialog, listId);
    SendMessageW(control, rowMessages(control).setSelection, static_cast<WPARAM>(-1), 0);
}

void DialogTest::pressOk(HWND dialog) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}
