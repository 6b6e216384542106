// The dialogs under test, run modally from the English language module's
// templates over a main window made from template 8193, with message boxes
// recorded instead of shown.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

struct ShownBox {
    HWND owner;
    std::wstring text;
    std::wstring caption;
    UINT type;
};

// Every box shown since the test began, in order.
std::vector<ShownBox>& shownBoxes();

// One action on the open dialog, run in its own turn of the dialog's
// message loop.
using DialogStep = std::function<void(HWND dialog)>;

struct ModalRun {
    size_t stepsRun;  // steps that found the dialog open
    bool leftOpen;    // still open after the last step (then closed by the driver)
};

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The owner of every dialog. Its procedure carries out the tempo-mode
    // commands 13654 and 13655 with chooseTempoMode, as the main window does.
    HWND mainWindow() const { return mainWindow_; }
    // Sets the main window's tempo radio buttons, scroll bar and text from
    // the player's tempo and tempo mode, as start-up does.
    void showTempoControls();

    // Calls `open`, which runs a modal dialog over the main window, and
    // plays `steps` on the dialog once it is up.
    ModalRun runModal(const std::function<void()>& open, std::vector<DialogStep> steps);

    static std::wstring loadString(int stringId);
    // String `stringId`, or the string, a line break and `detail`.
    static std::wstring messageText(int stringId, const std::wstring& detail = {});

    static std::wstring controlText(HWND dialog, int controlId);
    // The text of the selected row of a list box or combo box, or "<none>".
    static std::wstring selectedRow(HWND dialog, int listId);
    // Selects the row that reads `text` exactly (a failure when none does).
    static void selectRow(HWND dialog, int listId, const std::wstring& text);
    static void clearSelection(HWND dialog, int listId);
    static void pressOk(HWND dialog);

    // Copies `text` into one of the player's text fields, cut and terminated.
    template <size_t N>
    static void setText(wchar_t (&field)[N], const std::wstring& text) {
        field[text.copy(field, N - 1)] = L'\0';
    }

private:
    HWND mainWindow_ = nullptr;
};
