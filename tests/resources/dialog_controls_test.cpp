// The controls the program drives, in every dialog of every language module:
// identifier, window class and the styles the code relies on.
#include "language_modules.h"
#include "resources/resource_ids.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

namespace {

enum class Kind {
    OrderedList,      // list box that notifies, keeps the order rows are added, one selection
    Text,          // static text
    ReadOnlyField, // read-only edit: shows a value, can be selected and copied
    TempoScroll,   // horizontal scroll bar control
    Radio,         // radio button that checks itself
    CheckBox,      // check box that checks itself
    Push,          // push button
    LevelEdit,     // edit the level up-down writes into
    LevelSpin,     // up-down bound to the edit just before it
    DropDownList,  // combo box chosen from its list, in the order rows are added
};

struct ControlRule {
    int dialog;
    int id;
    Kind kind;
};

constexpr int groupId(int first, int group) { return first + IDC_GROUP_STRIDE * (group - 1); }

#define QB_GROUP_CONTROLS(g)                                                    \
    {IDD_MAIN_WINDOW, groupId(IDC_GROUP_CHECK_FIRST, g), Kind::CheckBox},       \
    {IDD_MAIN_WINDOW, groupId(IDC_GROUP_LEVEL_EDIT_FIRST, g), Kind::LevelEdit}, \
    {IDD_MAIN_WINDOW, groupId(IDC_GROUP_LEVEL_SPIN_FIRST, g), Kind::LevelSpin}

const ControlRule controlRules[] = {
    {IDD_MAIN_WINDOW, IDC_PATCH_LIST, Kind::OrderedList},
    {IDD_MAIN_WINDOW, IDC_PATTERN_LIST, Kind::OrderedList},
    {IDD_MAIN_WINDOW, IDC_TEMPO_TEXT, Kind::Text},
    {IDD_MAIN_WINDOW, IDC_TEMPO_SCROLL, Kind::TempoScroll},
    {IDD_MAIN_WINDOW, IDC_TEMPO_INTERNAL_RADIO, Kind::Radio},
    {IDD_MAIN_WINDOW, IDC_TEMPO_FOLLOW_RADIO, Kind::Radio},
    QB_GROUP_CONTROLS(1), QB_GROUP_CONTROLS(2), QB_GROUP_CONTROLS(3), QB_GROUP_CONTROLS(4),
    QB_GROUP_CONTROLS(5), QB_GROUP_CONTROLS(6), QB_GROUP_CONTROLS(7),
    {IDD_MAIN_WINDOW, IDC_START_BUTTON, Kind::Push},
    {IDD_MAIN_WINDOW, IDC_STOP_BUTTON, Kind::Push},
    {IDD_MAIN_WINDOW, IDC_CONTINUE_BUTTON, Kind::Push},
    {IDD_MAIN_WINDOW, IDC_SYNC_START_CHECK, Kind::CheckBox},
    {IDD_MAIN_WINDOW, IDC_SYNC_STOP_CHECK, Kind::CheckBox},
    {IDD_MAIN_WINDOW, IDC_DEVICE_BUTTON, Kind::Push},
    {IDD_MAIN_WINDOW, IDC_SYNC_MODE_BUTTON, Kind::Push},
    {IDD_MAIN_WINDOW, IDC_LANGUAGE_BUTTON, Kind::Push},
    {IDD_MAIN_WINDOW, IDC_EXIT_BUTTON, Kind::Push},

    {IDD_SONG_INFO_DIALOG, IDC_TITLE_TEXT, Kind::ReadOnlyField},
    {IDD_SONG_INFO_DIALOG, IDC_SUB_TITLE_TEXT, Kind::ReadOnlyField},
    {IDD_SONG_INFO_DIALOG, IDC_COPYRIGHT_TEXT, Kind::ReadOnlyField},
    {IDD_SONG_INFO_DIALOG, IDC_COMMENT_TEXT, Kind::ReadOnlyField},
    {IDD_SONG_INFO_DIALOG, IDC_DURATION_TEXT, Kind::ReadOnlyField},
    {IDD_SONG_INFO_DIALOG, IDC_END_TIME_TEXT, Kind::ReadOnlyField},
    {IDD_SONG_INFO_DIALOG, IDC_FORMAT_TEXT, Kind::ReadOnlyField},
    {IDD_SONG_INFO_DIALOG, IDC_TRACK_COUNT_TEXT, Kind::ReadOnlyField},
    {IDD_SONG_INFO_DIALOG, IDC_TIME_MODE_TEXT, Kind::ReadOnlyField},
    {IDD_SONG_INFO_DIALOG, IDC_RESOLUTION_TEXT, Kind::ReadOnlyField},
    {IDD_SONG_INFO_DIALOG, IDOK, Kind::Push},
    {IDD_SONG_INFO_DIALOG, IDCANCEL, Kind::Push},

    {IDD_DEVICE_DIALOG, IDC_MIDI_IN_LIST, Kind::OrderedList},
    {IDD_DEVICE_DIALOG, IDC_MIDI_OUT_LIST, Kind::OrderedList},
    {IDD_DEVICE_DIALOG, IDC_MIDI_THRU_CHECK, Kind::CheckBox},
    {IDD_DEVICE_DIALOG, IDOK, Kind::Push},
    {IDD_DEVICE_DIALOG, IDCANCEL, Kind::Push},

    {IDD_SYNC_MODE_DIALOG, IDC_IN_SYNC_MODE_LIST, Kind::OrderedList},
    {IDD_SYNC_MODE_DIALOG, IDC_OUT_SYNC_MODE_LIST, Kind::OrderedList},
    {IDD_SYNC_MODE_DIALOG, IDOK, Kind::Push},
    {IDD_SYNC_MODE_DIALOG, IDCANCEL, Kind::Push},

    {IDD_LANGUAGE_DIALOG, IDC_USER_INTERFACE_COMBO, Kind::DropDownList},
    {IDD_LANGUAGE_DIALOG, IDC_TEXT_ENCODING_COMBO, Kind::DropDownList},
    {IDD_LANGUAGE_DIALOG, IDOK, Kind::Push},
    {IDD_LANGUAGE_DIALOG, IDCANCEL, Kind::Push},
};

bool has(LONG style, LONG bits) { return (style & bits) == bits; }

// What is wrong with the control for its kind; empty when nothing is.
std::string checkControl(HWND control, Kind kind) {
    const std::wstring name = className(control);
    const LONG style = windowStyle(control);
    const auto classIs = [&](const wchar_t* expected) { return _wcsicmp(name.c_str(), expected) == 0; };
    const LONG buttonType = style & BS_TYPEMASK;
    switch (kind) {
    case Kind::OrderedList:
        if (!classIs(L"ListBox")) return "not a list box";
        if (!has(style, LBS_NOTIFY)) return "does not notify";
        if (style & LBS_SORT) return "sorts its rows";
        if (style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) return "allows several selections";
        return {};
    case Kind::Text:
        if (!classIs(L"Static")) return "not a static text";
        if ((style & SS_TYPEMASK) > SS_SIMPLE && (style & SS_TYPEMASK) != SS_LEFTNOWORDWRAP) return "not text";
        return {};
    case Kind::ReadOnlyField:
        if (!classIs(L"Edit")) return "not an edit";
        if (!has(style, ES_READONLY)) return "not read-only";
        return {};
    case Kind::TempoScroll:
        if (!classIs(L"ScrollBar")) return "not a scroll bar";
        if (style & (SBS_VERT | SBS_SIZEBOX | SBS_SIZEGRIP)) return "not horizontal";
        return {};
    case Kind::Radio:
        if (!classIs(L"Button") || buttonType != BS_AUTORADIOBUTTON) return "not an automatic radio button";
        return {};
    case Kind::CheckBox:
        if (!classIs(L"Button") || buttonType != BS_AUTOCHECKBOX) return "not an automatic check box";
        return {};
    case Kind::Push:
        if (!classIs(L"Button") || (buttonType != BS_PUSHBUTTON && buttonType != BS_DEFPUSHBUTTON))
            return "not a push button";
        return {};
    case Kind::LevelEdit:
        if (!classIs(L"Edit")) return "not an edit";
        if (style & ES_READONLY) return "read-only";
        return {};
    case Kind::LevelSpin: {
        if (!classIs(UPDOWN_CLASSW)) return "not an up-down control";
        if (!has(style, UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_AUTOBUDDY)) return "lacks buddy-int, arrow keys or auto-buddy";
        const HWND buddy = reinterpret_cast<HWND>(SendMessageW(control, UDM_GETBUDDY, 0, 0));
        if (buddy == nullptr || GetDlgCtrlID(buddy) != GetDlgCtrlID(control) - 1) return "not bound to its group's edit";
        return {};
    }
    case Kind::DropDownList: {
        if (!classIs(L"ComboBox")) return "not a combo box";
        if ((style & 3) != CBS_DROPDOWNLIST) return "not a drop-down list";
        if (style & CBS_SORT) return "sorts its rows";
        // The list shows its scroll bar only while it holds more rows than it shows.
        for (int row = 0; row < 40; ++row) SendMessageW(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"row"));
        COMBOBOXINFO parts = {};
        parts.cbSize = sizeof parts;
        if (!GetComboBoxInfo(control, &parts) || !has(windowStyle(parts.hwndList), WS_VSCROLL))
            return "its list has no vertical scroll bar";
        RECT dropped = {};
        SendMessageW(control, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
        RECT closed = {};
        GetWindowRect(control, &closed);
        const LRESULT rowHeight = SendMessageW(control, CB_GETITEMHEIGHT, 0, 0);
        if ((dropped.bottom - dropped.top) - (closed.bottom - closed.top) < 3 * rowHeight)
            return "drops down fewer than three rows";
        return {};
    }
    }
    return "unknown kind";
}

TEST(LanguageModuleDialogs, EveryControlHasItsIdentifierKindAndStyles) {
    for (const LanguageModule& module : languageModules()) {
        ASSERT_NE(module.handle, nullptr) << "cannot load " << testing::PrintToString(module.path);
        for (int dialogId : dialogTemplateIds) {
            SCOPED_TRACE(testing::Message() << testing::PrintToString(std::wstring(module.fileName))
                                            << " dialog " << dialogId);
            TemplateDialog dialog(module, dialogId);
            ASSERT_NE(dialog.window(), nullptr) << "template missing or not creatable";
            for (const ControlRule& rule : controlRules) {
                if (rule.dialog != dialogId) continue;
                const HWND control = dialog.control(rule.id);
                ASSERT_NE(control, nullptr) << "control " << rule.id << " missing";
                EXPECT_EQ(checkControl(control, rule.kind), "") << "control " << rule.id;
            }
        }
    }
}

TEST(LanguageModuleDialogs, MainWindowIsAMinimisableWindowOfItsOwnClass) {
    for (const LanguageModule& module : languageModules()) {
        ASSERT_NE(module.handle, nullptr);
        SCOPED_TRACE(testing::PrintToString(std::wstring(module.fileName)));
        TemplateDialog dialog(module, IDD_MAIN_WINDOW);
        ASSERT_NE(dialog.window(), nullptr);
        EXPECT_EQ(className(dialog.window()), L"Quillbex_MainWnd");
        EXPECT_TRUE(has(windowStyle(dialog.window()), WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX));
        EXPECT_EQ(windowText(dialog.window()), L"Quillbex");

        // The two tempo radio buttons are one group: each arrow key leads to the other.
        const HWND internal = dialog.control(IDC_TEMPO_INTERNAL_RADIO);
        const HWND follow = dialog.control(IDC_TEMPO_FOLLOW_RADIO);
        EXPECT_EQ(GetNextDlgGroupItem(dialog.window(), internal, FALSE), follow);
        EXPECT_EQ(GetNextDlgGroupItem(dialog.window(), follow, FALSE), internal);
        EXPECT_EQ(GetNextDlgGroupItem(dialog.window(), internal, TRUE), follow);
    }
}

}  // namespace
