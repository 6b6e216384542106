#include "ui/window_player_ui.h"

#include <memory>
#include <new>
#include <string>

#include "ui/message_box.h"
#include "ui/selected_text.h"

void WindowPlayerUi::postCommand(int32_t commandId) {
    PostMessageW(window_, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(commandId), 0), 0);
}

void WindowPlayerUi::showWarning(int32_t stringId, const wchar_t* detail) {
    showStringMessage(window_, stringId, detail, MB_OK | MB_ICONWARNING);
}

void WindowPlayerUi::postWarning(int32_t stringId, const wchar_t* detail) {
    auto* copy = new (std::nothrow) std::wstring(detail != nullptr ? detail : L"");
    if (copy == nullptr) return;
    if (!PostMessageW(window_, kPostedWarningMessage, static_cast<WPARAM>(stringId),
                      reinterpret_cast<LPARAM>(copy))) {
        delete copy;
    }
}

void WindowPlayerUi::showPostedWarning(WPARAM wParam, LPARAM lParam) {
    const std::unique_ptr<std::wstring> detail(reinterpret_cast<std::wstring*>(lParam));
    if (detail == nullptr) return;
    showWarning(static_cast<int32_t>(wParam), detail->empty() ? nullptr : detail->c_str());
}

int32_t WindowPlayerUi::getScrollPosition(int32_t controlId) {
    return GetScrollPos(control(controlId), SB_CTL);
}

void WindowPlayerUi::setScrollRange(int32_t controlId, int32_t minimum, int32_t maximum) {
    SetScrollRange(control(controlId), SB_CTL, minimum, maximum, TRUE);
}

void WindowPlayerUi::setScrollPosition(int32_t controlId, int32_t position) {
    SetScrollPos(control(controlId), SB_CTL, position, TRUE);
}

void WindowPlayerUi::setControlText(int32_t controlId, const wchar_t* text) {
    SetDlgItemTextW(window_, controlId, text);
}

void WindowPlayerUi::enableControl(int32_t controlId, bool enabled) {
    EnableWindow(control(controlId), enabled ? TRUE : FALSE);
}

void WindowPlayerUi::showControl(int32_t controlId, bool visible) {
    ShowWindow(control(controlId), visible ? SW_SHOW : SW_HIDE);
}

void WindowPlayerUi::setChecked(int32_t controlId, bool checked) {
    CheckDlgButton(window_, controlId, checked ? BST_CHECKED : BST_UNCHECKED);
}

int32_t WindowPlayerUi::findListEntry(int32_t listId, const wchar_t* text) {
    // No file is named by the empty text; an empty stored name selects
    // nothing, whatever the list box would make of an empty search.
    if (!text || !text[0]) return -1;
    LRESULT index = SendDlgItemMessageW(window_, listId, LB_FINDSTRINGEXACT,
                                        static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
    return index == LB_ERR ? -1 : static_cast<int32_t>(index);
}

void WindowPlayerUi::selectListEntry(int32_t listId, int32_t index) {
    // A selection made by the program raises no LBN_SELCHANGE.
    SendDlgItemMessageW(window_, listId, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int32_t WindowPlayerUi::getSelectedText(int32_t listId, wchar_t* buffer, int32_t size) {
    return ::getSelectedText(control(listId), buffer, size);
}
