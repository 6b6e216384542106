#include "ui/selected_text.h"

#include <cwchar>
#include <new>
#include <vector>

#include "common/bounded_copy.h"

namespace {

struct ListMessages {
    UINT getCurrentSelection;
    UINT getTextLength;
    UINT getText;
    LRESULT error;
};

constexpr ListMessages kListBox{LB_GETCURSEL, LB_GETTEXTLEN, LB_GETTEXT, LB_ERR};
constexpr ListMessages kComboBox{CB_GETCURSEL, CB_GETLBTEXTLEN, CB_GETLBTEXT, CB_ERR};

int32_t copySelectedText(HWND control, wchar_t* buffer, int32_t n, const ListMessages& messages) {
    if (!buffer || n <= 0) return 0;
    buffer[0] = L'\0';
    LRESULT index = SendMessageW(control, messages.getCurrentSelection, 0, 0);
    if (index == messages.error) return 0;
    LRESULT length = SendMessageW(control, messages.getTextLength, static_cast<WPARAM>(index), 0);
    if (length == messages.error || length < 0) return 0;
    // The entry may be longer than the buffer: read it whole, then cut.
    std::vector<wchar_t> entry;
    try {
        entry.assign(static_cast<size_t>(length) + 1, L'\0');
    } catch (const std::bad_alloc&) {
        return 0;
    }
    LRESULT read = SendMessageW(control, messages.getText, static_cast<WPARAM>(index),
                                reinterpret_cast<LPARAM>(entry.data()));
    if (read == messages.error || read < 0) return 0;
    return static_cast<int32_t>(copyTruncated(
        buffer, static_cast<size_t>(n), std::wstring_view(entry.data(), static_cast<size_t>(read))));
}

}  // namespace

int32_t getSelectedText(HWND list, wchar_t* buffer, int32_t n) {
    return copySelectedText(list, buffer, n, kListBox);
}

int32_t getSelectedComboText(HWND combo, wchar_t* buffer, int32_t n) {
    return copySelectedText(combo, buffer, n, kComboBox);
}
