// Every string the program loads, in every language module: present, short
// enough for the buffer it is loaded into, and a format string takes exactly
// the integers the program passes, in the kinds it passes them.
#include "language_modules.h"
#include "resources/resource_ids.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct StringRule {
    int id;
    int integerConversions;  // what the program passes; 0 for plain texts
    int limit;               // the program's buffer, terminator included
};

constexpr StringRule stringRules[] = {
    {IDS_CAPTION, 0, 256},
    {IDS_IN_SYNC_MODE_NONE, 0, 256},       {IDS_IN_SYNC_MODE_CLOCK, 0, 256},
    {IDS_IN_SYNC_MODE_TIME_CODE, 0, 256},  {IDS_OUT_SYNC_MODE_NONE, 0, 256},
    {IDS_OUT_SYNC_MODE_CLOCK, 0, 256},     {IDS_OUT_SYNC_MODE_MTC24, 0, 256},
    {IDS_OUT_SYNC_MODE_MTC25, 0, 256},     {IDS_OUT_SYNC_MODE_MTC2997, 0, 256},
    {IDS_OUT_SYNC_MODE_MTC30, 0, 256},
    {IDS_END_TIME_TICKS, 3, 256},          // measure, beat, tick
    {IDS_END_TIME_FRAMES, 2, 256},         // frames, ticks into the frame
    {IDS_PLAYING_TIME, 4, 256},            // hours, minutes, seconds, milliseconds
    {IDS_SMF_FORMAT, 1, 256},
    {IDS_TIME_MODE_TPQN, 0, 1024},         {IDS_TIME_MODE_24, 0, 1024},
    {IDS_TIME_MODE_25, 0, 1024},           {IDS_TIME_MODE_2997, 0, 1024},
    {IDS_TIME_MODE_30, 0, 1024},
    {IDS_RESOLUTION_TPQN, 1, 256},         {IDS_RESOLUTION_FRAMES, 1, 256},
    {IDS_OUTPUT_OPEN_FAILED, 0, 256},      {IDS_INPUT_OPEN_FAILED, 0, 256},
    {IDS_NO_INPUT_SELECTED, 0, 256},       {IDS_NO_OUTPUT_SELECTED, 0, 256},
    {IDS_NO_PATTERN_LOADED, 0, 256},       {IDS_FILE_LOAD_FAILED, 0, 256},
    {IDS_FRAME_TIME_BASE, 0, 256},         {IDS_CLOCK_CREATE_FAILED, 0, 256},
    {IDS_NO_IN_SYNC_MODE_SELECTED, 0, 256}, {IDS_NO_OUT_SYNC_MODE_SELECTED, 0, 256},
    {IDS_LANGUAGE_NEXT_START, 0, 256},     {IDS_SETTINGS_NOT_SAVED, 0, 256},
    {IDS_OUTPUT_GONE, 0, 256},             {IDS_INPUT_GONE, 0, 256},
    {IDS_DEVICE_NOT_OPENED, 0, 256},       {IDS_SETTINGS_KEPT_BESIDE, 0, 256},
};

struct Conversions {
    int integers = 0;
    int others = 0;  // anything the program does not pass: %s, %f, %ld, a lone %
};

// Reads printf conversions: flags, width and precision are fine; "%%" is a
// literal; only a bare d or i matches the int arguments the program passes.
Conversions countConversions(const std::wstring& format) {
    Conversions found;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != L'%') continue;
        ++i;
        if (i < format.size() && format[i] == L'%') continue;
        while (i < format.size() && std::wstring(L"-+ #0").find(format[i]) != std::wstring::npos) ++i;
        while (i < format.size() && (iswdigit(format[i]) || format[i] == L'.')) ++i;
        if (i < format.size() && (format[i] == L'd' || format[i] == L'i')) {
            ++found.integers;
        } else {
            ++found.others;
        }
    }
    return found;
}

TEST(LanguageModuleStrings, EveryStringPresentWithTheProgramsArguments) {
    for (const LanguageModule& module : languageModules()) {
        ASSERT_NE(module.handle, nullptr) << "cannot load " << testing::PrintToString(module.path);
        for (const StringRule& rule : stringRules) {
            SCOPED_TRACE(testing::Message() << testing::PrintToString(std::wstring(module.fileName))
                                            << " string " << rule.id);
            const wchar_t* text = nullptr;
            const int length = LoadStringW(module.handle, rule.id, reinterpret_cast<wchar_t*>(&text), 0);
            ASSERT_GT(length, 0) << "missing or empty";
            const std::wstring value(text, length);
            EXPECT_LT(length, rule.limit) << "cut when loaded: " << testing::PrintToString(value);
            const Conversions found = countConversions(value);
            EXPECT_EQ(found.integers, rule.integerConversions) << testing::PrintToString(value);
            EXPECT_EQ(found.others, 0) << testing::PrintToString(value);
        }
        wchar_t caption[256] = {};
        LoadStringW(module.handle, IDS_CAPTION, caption, 256);
        EXPECT_STREQ(caption, L"Quillbex") << "the product name, in every language";
    }
}

}  // namespace
