#include "app/app_dir.h"
#include "app/language_module.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

TEST(AppDirTest, ProgramFolderOfTheModuleFileName) {
    const struct {
        const wchar_t* module;
        const wchar_t* appDir;
    } cases[] = {
        {L"C:\\Tools\\Quillbex\\Quillbex.exe", L"C:\\Tools\\Quillbex"},
        {L"C:\\Src\\Quillbex\\Debug\\Quillbex.exe", L"C:\\Src\\Quillbex"},
        {L"C:\\Src\\Quillbex\\Release\\Quillbex.exe", L"C:\\Src\\Quillbex"},
        {L"C:\\Src\\Quillbex\\DebugU\\Quillbex.exe", L"C:\\Src\\Quillbex"},
        {L"C:\\Src\\Quillbex\\ReleaseU\\Quillbex.exe", L"C:\\Src\\Quillbex"},
        // Exact letter case: a folder named in lower case is the program's own.
        {L"C:\\Src\\Quillbex\\release\\Quillbex.exe", L"C:\\Src\\Quillbex\\release"},
        // Only the folder that holds the program counts.
        {L"C:\\Release\\Quillbex\\Quillbex.exe", L"C:\\Release\\Quillbex"},
        {L"C:\\Src\\MyRelease\\Quillbex.exe", L"C:\\Src\\MyRelease"},
        {L"C:\\Release\\Quillbex.exe", L"C:"},
        {L"C:\\Quillbex.exe", L"C:"},
        {L"\\\\server\\share\\Quillbex\\Quillbex.exe", L"\\\\server\\share\\Quillbex"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(appDirOfModule(c.module), c.appDir) << std::wstring(c.module);
    }
}

// A folder that does not fit is refused whole, never cut to another folder.
TEST(AppDirTest, FolderLongerThan1023CharactersIsRefused) {
    const std::wstring folder1023 = L"C:\\" + std::wstring(1020, L'q');
    const struct {
        std::wstring module;
        std::optional<std::wstring> appDir;
    } cases[] = {
        {folder1023 + L"\\Quillbex.exe", folder1023},
        {folder1023 + L"q\\Quillbex.exe", std::nullopt},
        {folder1023 + L"\\Release\\Quillbex.exe", folder1023},
        {folder1023 + L"q\\Release\\Quillbex.exe", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(appDirOfModule(c.module), c.appDir) << c.module.size();
    }
}

TEST(AppDirTest, LanguageModulesLieBesideTheProgramFile) {
    EXPECT_EQ(folderOfModule(L"C:\\Src\\Quillbex\\Release\\Quillbex.exe"), L"C:\\Src\\Quillbex\\Release");
    EXPECT_EQ(folderOfModule(L"C:\\Quillbex.exe"), L"C:");
}

TEST(AppDirTest, SettingsFileLiesInTheProgramFolder) {
    EXPECT_EQ(settingsPathOf(L"C:"), L"C:\\Quillbex.ini");
    EXPECT_EQ(settingsPathOf(L"C:\\Src\\Quillbex"), L"C:\\Src\\Quillbex\\Quillbex.ini");
}

TEST(LanguageModuleTest, ChosenByTheExactName) {
    const struct {
        const wchar_t* userInterface;
        const wchar_t* module;
    } cases[] = {
        {L"English", L"QuillbexEnu.dll"}, {L"Chinese", L"QuillbexChs.dll"},
        {L"Japanese", L"QuillbexJpn.dll"}, {L"english", L"QuillbexJpn.dll"},
        {L"CHINESE", L"QuillbexJpn.dll"},  {L"English ", L"QuillbexJpn.dll"},
        {L"", L"QuillbexJpn.dll"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(languageModuleName(c.userInterface), c.module) << std::wstring(c.userInterface);
    }
}

}  // namespace
