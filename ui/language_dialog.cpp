#include "ui/language_dialog.h"

#include <cwchar>

#include "engine/player_state.h"
#include "resources/resource_ids.h"
#include "settings/settings_keys.h"
#include "ui/center_on_owner.h"
#include "ui/message_box.h"
#include "ui/selected_text.h"
#include "ui/modal_dialog.h"

namespace {

// The languages of the three language modules, as userInterface stores them.
constexpr const wchar_t* kUserInterfaces[] = {L"Japanese", L"English", L"Chinese"};

// Each entry is stored whole; its leading number is the Windows code page.
constexpr const wchar_t* kTextEncodings[] = {
    L"874-Thai",
    L"932-Japanese Shift-JIS",
    L"936-Chinese Simplified",
    L"949-Korean",
    L"950-Traditional Chinese",
    L"1250-Central European",
    L"1251-Cyrillic",
    L"1252-Western Latin-1 [recommended]",
    L"1253-Greek",
    L"1254-Turkish",
    L"1255-Hebrew",
    L"1256-Arabic",
    L"1257-Baltic",
    L"1258-Vietnamese",
    L"1200-Unicode UTF-16 Little Endian",
    L"1201-Unicode UTF-16 Big Endian",
};

// The combo form of getSelectedText reads at most this many characters, less one.
constexpr int32_t kSelectedTextSize = 255;

void addRow(HWND combo, const wchar_t* text, bool select) {
    LRESULT row = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (select && row >= 0) SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(row), 0);
}

BOOL onInitDialog(HWND dialog) {
    PlayerState& p = playerState;
    HWND languages = GetDlgItem(dialog, IDC_USER_INTERFACE_COMBO);
    for (const wchar_t* language : kUserInterfaces) {
        addRow(languages, language, std::wcscmp(language, p.settings.userInterface) == 0);
    }
    // A stored text without digits has code page 0, which no row has.
    int32_t storedCodePage = codePageOfTextEncoding(p.settings.textEncoding);
    HWND encodings = GetDlgItem(dialog, IDC_TEXT_ENCODING_COMBO);
    for (const wchar_t* encoding : kTextEncodings) {
        addRow(encodings, encoding, codePageOfTextEncoding(encoding) == storedCodePage);
    }
    SetFocus(languages);
    centerOnOwner(dialog);
    return FALSE;  // the focus is set
}

// An absent selection stores the empty text. The box is shown on every OK,
// changed or not.
void onOk(HWND dialog) {
    PlayerState& p = playerState;
    getSelectedComboText(GetDlgItem(dialog, IDC_USER_INTERFACE_COMBO), p.settings.userInterface,
                         kSelectedTextSize);
    getSelectedComboText(GetDlgItem(dialog, IDC_TEXT_ENCODING_COMBO), p.settings.textEncoding,
                         kSelectedTextSize);
    showStringMessage(dialog, IDS_LANGUAGE_NEXT_START, nullptr, MB_OK | MB_ICONINFORMATION);
    EndDialog(dialog, 1);
}

}  // namespace

void runLanguageDialog(HWND owner) {
    static constexpr ModalDialogHandlers handlers{onInitDialog, onOk};
    runModalDialog(owner, IDD_LANGUAGE_DIALOG, handlers);
}
