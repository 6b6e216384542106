// The layouts, shared by all three languages, in each module's own font:
// every label fits its control, and no two controls cover each other.
#include "language_modules.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string describe(const LanguageModule& module, int dialogId, HWND control) {
    return testing::PrintToString(std::wstring(module.fileName)) + " dialog " + std::to_string(dialogId) +
           " control " + std::to_string(GetDlgCtrlID(control)) + " " + testing::PrintToString(windowText(control));
}

std::vector<HWND> children(HWND dialog) {
    std::vector<HWND> found;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        found.push_back(child);
    }
    return found;
}

// The text as drawn: "&x" underlines x, "&&" is a literal ampersand.
std::wstring withoutMnemonics(const std::wstring& text) {
    std::wstring shown;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size()) ++i;
        shown += text[i];
    }
    return shown;
}

bool isButtonKind(HWND control, LONG type) {
    return _wcsicmp(className(control).c_str(), L"Button") == 0 && (windowStyle(control) & BS_TYPEMASK) == type;
}

bool isGroupBox(HWND control) { return isButtonKind(control, BS_GROUPBOX); }

// Room a control leaves for its text, in pixels; 0 for controls without a label.
LONG roomForText(HWND control) {
    RECT client = {};
    GetClientRect(control, &client);
    const LONG width = client.right - client.left;
    const std::wstring name = className(control);
    const LONG style = windowStyle(control);
    if (_wcsicmp(name.c_str(), L"Static") == 0) {
        const LONG type = style & SS_TYPEMASK;
        return type <= SS_SIMPLE || type == SS_LEFTNOWORDWRAP ? width : 0;
    }
    if (_wcsicmp(name.c_str(), L"Button") != 0) return 0;
    switch (style & BS_TYPEMASK) {
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON:
        return width - 8;  // border and focus rectangle
    case BS_AUTOCHECKBOX:
    case BS_CHECKBOX:
    case BS_AUTORADIOBUTTON:
    case BS_RADIOBUTTON:
        return width - GetSystemMetrics(SM_CXMENUCHECK) - 4;  // the box and the gap after it
    case BS_GROUPBOX:
        return width - 16;  // the frame's corners on either side of the title
    default:
        return 0;
    }
}

// Whether the font draws every character of the text with a glyph of its own.
bool fontHasGlyphs(HDC dc, const std::wstring& text) {
    std::vector<WORD> glyphs(text.size());
    GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()), glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
    for (WORD glyph : glyphs) {
        if (glyph == 0xFFFF) return false;
    }
    return true;
}

class DialogLayout : public testing::TestWithParam<size_t> {
protected:
    const LanguageModule& module() const { return languageModules()[GetParam()]; }
};

TEST_P(DialogLayout, EveryLabelFitsItsControlInTheDialogFont) {
    ASSERT_NE(module().handle, nullptr) << "cannot load " << testing::PrintToString(module().path);
    for (int dialogId : dialogTemplateIds) {
        TemplateDialog dialog(module(), dialogId);
        ASSERT_NE(dialog.window(), nullptr);
        const HDC dc = GetDC(dialog.window());
        const HGDIOBJ oldFont =
            SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(dialog.window(), WM_GETFONT, 0, 0)));
        for (HWND control : children(dialog.window())) {
            const std::wstring text = withoutMnemonics(windowText(control));
            const LONG room = roomForText(control);
            if (text.empty() || room == 0) continue;
            if (!fontHasGlyphs(dc, text)) {
                SelectObject(dc, oldFont);
                ReleaseDC(dialog.window(), dc);
                // Wine prefixes without the CJK font replacements draw boxes; the
                // widths would mean nothing. English is always measured.
                if (module().cjk) GTEST_SKIP() << "no CJK font in this Wine prefix: " << describe(module(), dialogId, control);
                FAIL() << "the dialog font lacks glyphs for " << describe(module(), dialogId, control);
            }
            SIZE extent = {};
            GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
            RECT client = {};
            GetClientRect(control, &client);
            EXPECT_LE(extent.cx, room) << describe(module(), dialogId, control);
            if (!isGroupBox(control)) {
                EXPECT_LE(extent.cy, client.bottom) << describe(module(), dialogId, control);
            }
        }
        SelectObject(dc, oldFont);
        ReleaseDC(dialog.window(), dc);
    }
}

TEST_P(DialogLayout, ControlsStayInsideTheDialogAndApart) {
    ASSERT_NE(module().handle, nullptr);
    for (int dialogId : dialogTemplateIds) {
        TemplateDialog dialog(module(), dialogId);
        ASSERT_NE(dialog.window(), nullptr);
        RECT client = {};
        GetClientRect(dialog.window(), &client);
        const std::vector<HWND> controls = children(dialog.window());
        std::vector<RECT> rects;
        for (HWND control : controls) {
            RECT r = {};
            GetWindowRect(control, &r);
            MapWindowPoints(nullptr, dialog.window(), reinterpret_cast<POINT*>(&r), 2);
            rects.push_back(r);
            RECT inside = {};
            IntersectRect(&inside, &r, &client);
            EXPECT_TRUE(EqualRect(&inside, &r)) << "outside the dialog: " << describe(module(), dialogId, control);
        }
        for (size_t a = 0; a < controls.size(); ++a) {
            for (size_t b = a + 1; b < controls.size(); ++b) {
                RECT overlap = {};
                if (!IntersectRect(&overlap, &rects[a], &rects[b])) continue;
                // A group box frames whole controls; an up-down rests on its edit's border.
                if (isGroupBox(controls[a]) || isGroupBox(controls[b])) {
                    const RECT& frame = isGroupBox(controls[a]) ? rects[a] : rects[b];
                    if (EqualRect(&overlap, isGroupBox(controls[a]) ? &rects[b] : &rects[a]) ||
                        EqualRect(&overlap, &frame))
                        continue;
                }
                if (_wcsicmp(className(controls[b]).c_str(), UPDOWN_CLASSW) == 0 &&
                    reinterpret_cast<HWND>(SendMessageW(controls[b], UDM_GETBUDDY, 0, 0)) == controls[a])
                    continue;
                ADD_FAILURE() << "overlap: " << describe(module(), dialogId, controls[a]) << " and "
                              << describe(module(), dialogId, controls[b]);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EachModule, DialogLayout, testing::Values(0, 1, 2), [](const auto& param) {
    const std::wstring name = languageModules()[param.param].fileName;
    return std::string(name.begin(), name.begin() + name.find(L'.'));
});

}  // namespace
