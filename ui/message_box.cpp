#include "ui/message_box.h"

#include <cwchar>
#include <iterator>

#include "common/bounded_copy.h"
#include "engine/player_state.h"

namespace {

MessageBoxFunction messageBoxFunction = nullptr;
// Boxes open, nested ones included; boxes are shown on the user-interface
// thread only.
int openBoxes = 0;

}  // namespace

void setMessageBoxFunction(MessageBoxFunction function) {
    messageBoxFunction = function;
}

int showMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
    QUILLBEX_ASSERT_LOCK_NOT_HELD();
    ++openBoxes;
    const int result = messageBoxFunction ? messageBoxFunction(owner, text, caption, type)
                                          : MessageBoxW(owner, text, caption, type);
    --openBoxes;
    return result;
}

bool messageBoxOpen() {
    return openBoxes > 0;
}

int showMessage(HWND owner, const wchar_t* text, const wchar_t* detail, const wchar_t* caption,
                UINT type) {
    wchar_t message[1024];
    // swprintf fails (returns a negative count) when the text does not fit;
    // the message is then cut by hand, so a long path still shows its start.
    if (std::swprintf(message, std::size(message), L"%ls\n%ls", text, detail) < 0) {
        size_t used = copyTruncated(message, text);
        if (used + 1 < std::size(message)) {
            message[used++] = L'\n';
            copyTruncated(message + used, std::size(message) - used, detail);
        }
    }
    return showMessageBox(owner, message, caption, type);
}

int showStringMessage(HWND owner, int32_t stringId, const wchar_t* detail, UINT type) {
    wchar_t text[256] = {};
    LoadStringW(static_cast<HINSTANCE>(playerState.shell.resourceModule), static_cast<UINT>(stringId),
                text, static_cast<int>(std::size(text)));
    if (detail) return showMessage(owner, text, detail, playerState.shell.caption, type);
    return showMessageBox(owner, text, playerState.shell.caption, type);
}
