// The language dialog selects the stored language and encoding, stores the
// chosen rows' full texts and says every time that they act at the next start.
#include "tests/ui/dialog_test_fixture.h"

#include <string>

#include "engine/player_state.h"
#include "resources/resource_ids.h"
#include "ui/center_on_owner.h"
#include "ui/language_dialog.h"

namespace {

class LanguageDialogTest : public DialogTest {};

TEST_F(LanguageDialogTest, OkStoresTheSelectedRowsWhole) {
    struct Case {
        const wchar_t* storedLanguage;
        const wchar_t* storedEncoding;
        std::wstring storedLanguageAfter;
        std::wstring storedEncodingAfter;
    };
    const Case cases[] = {
        {L"English", L"1252", L"English", L"1252-Western Latin-1 [recommended]"},
        {L"Chinese", L"  +936-GBK", L"Chinese", L"936-Chinese Simplified"},
        {L"english", L"1201", L"", L"1201-Unicode UTF-16 Big Endian"},
        {L"Japanese", L"9999-Unknown", L"Japanese", L""},
        {L"Japanese", L"UTF-8", L"Japanese", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.storedLanguage) + L" / " + c.storedEncoding));
        shownBoxes().clear();
        setText(playerState.settings.userInterface, c.storedLanguage);
        setText(playerState.settings.textEncoding, c.storedEncoding);
        HWND shownIn = nullptr;
        ModalRun run = runModal([&] { runLanguageDialog(mainWindow()); },
                                {[&](HWND dialog) {
                                    shownIn = dialog;
                                    pressOk(dialog);
                                }});
        EXPECT_FALSE(run.leftOpen);
        EXPECT_EQ(playerState.settings.userInterface, c.storedLanguageAfter);
        EXPECT_EQ(playerState.settings.textEncoding, c.storedEncodingAfter);
        ASSERT_EQ(shownBoxes().size(), 1u);
        EXPECT_EQ(shownBoxes()[0].text, messageText(IDS_LANGUAGE_NEXT_START));
        EXPECT_EQ(shownBoxes()[0].owner, shownIn);
        EXPECT_EQ(shownBoxes()[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONINFORMATION));
    }
}

TEST_F(LanguageDialogTest, OpensCentredOnItsOwnerWithTheStoredRows) {
    setText(playerState.settings.userInterface, L"Chinese");
    setText(playerState.settings.textEncoding, L"1252");
    RECT dialogRect = {}, ownerRect = {}, workArea = {};
    std::wstring language, encoding;
    runModal([&] { runLanguageDialog(mainWindow()); },
             {[&](HWND dialog) {
                 GetWindowRect(dialog, &dialogRect);
                 language = selectedRow(dialog, IDC_USER_INTERFACE_COMBO);
                 encoding = selectedRow(dialog, IDC_TEXT_ENCODING_COMBO);
                 SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
             }});
    GetWindowRect(mainWindow(), &ownerRect);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    Placement expected = centeredPlacement(ownerRect, workArea, dialogRect.right - dialogRect.left,
                                           dialogRect.bottom - dialogRect.top);
    EXPECT_EQ(dialogRect.left, expected.x);
    EXPECT_EQ(dialogRect.top, expected.y);
    EXPECT_EQ(language, L"Chinese");
    EXPECT_EQ(encoding, L"1252-Western Latin-1 [recommended]");
    EXPECT_TRUE(shownBoxes().empty());  // Cancel stores and says nothing
    EXPECT_STREQ(playerState.settings.textEncoding, L"1252");
}

}  // namespace
