// A warning that names a path or a device: the string, a line break and the
// name, cut to 1023 characters however long the name.
#include "tests/ui/dialog_test_fixture.h"

#include <string>

#include "ui/message_box.h"

namespace {

class ShowMessageTest : public DialogTest {};

TEST_F(ShowMessageTest, JoinsTextAndDetailWithinTheBox) {
    const std::wstring longPath = L"C:\\Quillbex\\pattern\\" + std::wstring(1100, L'x') + L".mid";
    struct Case {
        std::wstring detail;
        std::wstring shown;
    };
    const Case cases[] = {
        {L"C:\\Quillbex\\pattern\\funk.mid", L"Load failed.\nC:\\Quillbex\\pattern\\funk.mid"},
        {longPath, (L"Load failed.\n" + longPath).substr(0, 1023)},
    };
    for (const Case& c : cases) {
        shownBoxes().clear();
        showMessage(mainWindow(), L"Load failed.", c.detail.c_str(), L"Quillbex", MB_ICONWARNING);
        ASSERT_EQ(shownBoxes().size(), 1u);
        EXPECT_EQ(shownBoxes()[0].text, c.shown);
        EXPECT_EQ(shownBoxes()[0].caption, L"Quillbex");
    }
}

}  // namespace
