#include "ui/message_box.h"

#include <cwchar>
#include <iterator>

#include "engine/player_state.h"

namespace {

MessageBoxFunction messageBoxFunction = nullptr;

}  // namespace

void setMessageBoxFunction(MessageBoxFunction function) {
    messageBoxFunction = function;
}

int showMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
    if (messageBoxFunction) return messageBoxFunction(owner, text, caption, type);
    return MessageBoxW(owner, text, caption, type);
}

int showMessage(HWND owner, const wchar_t* text, const wchar_t* detail, const wchar_t* caption,
                UINT type) {
    wchar_t message[1024];
    // swprintf fails (returns a negative count) when the text does not fit;
    // the message is then cut by hand, so a long path still shows its start.
    if (std::swprintf(message, std::size(message), L"%ls\n%ls", text, detail) < 0) {
        std::wcsncpy(message, text, std::size(message) - 1);
        message[std::size(message) - 1] = L'\0';
        size_t used = std::wcslen(message);
        if (used + 1 < std::size(message)) {
            message[used++] = L'\n';
            std::wcsncpy(message + used, detail, std::size(message) - 1 - used);
        }
        message[std::size(message) - 1] = L'\0';
    }
    return showMessageBox(owner, message, caption, type);
}

int showStringMessage(HWND owner, int32_t stringId, const wchar_t* detail, UINT type) {
    wchar_t text[256] = {};
    LoadStringW(static_cast<HINSTANCE>(playerState.resourceModule), static_cast<UINT>(stringId),
                text, static_cast<int>(std::size(text)));
    if (detail) return showMessage(owner, text, detail, playerState.caption, type);
    return showMessageBox(owner, text, playerState.caption, type);
}
