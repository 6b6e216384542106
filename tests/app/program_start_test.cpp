// Quillbex.exe from outside: which language module a start picks, the
// single-instance hand-over, the failure box of a missing module, where the
// settings are kept, and the exit codes.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "midi/ports/loopback_pipe.h"
#include "tests/app/built_program.h"
#include "tools/program_driver/loopback_pipe_server.h"
#include "tools/program_driver/program_run.h"

namespace {

namespace fs = std::filesystem;

// Sections and keys of a saved settings file, in file order.
const std::vector<std::wstring> kSavedLayout = {
    L"[Status]", L"PatchName", L"PatternName", L"TempoMode", L"Tempo", L"NoteCheck", L"NoteLevel",
    L"[MIDI Device]", L"MIDIInName", L"MIDIOutName", L"MIDIThru",
    L"[MIDI Sync Mode]", L"MIDIInSyncMode", L"MIDIOutSyncMode",
    L"[Language]", L"UserInterface", L"TextEncoding"};

std::vector<std::wstring> layoutOf(const std::vector<std::wstring>& lines) {
    std::vector<std::wstring> layout;
    for (const std::wstring& line : lines) {
        if (line.empty()) continue;
        layout.push_back(line[0] == L'[' ? line : line.substr(0, line.find(L'=')));
    }
    return layout;
}

std::wstring moduleCaption(const fs::path& module) {
    HMODULE data = LoadLibraryExW(module.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    wchar_t caption[256] = {};
    if (data) LoadStringW(data, 8193, caption, 256);
    if (data) FreeLibrary(data);
    return caption;
}

bool loaded(const std::vector<std::wstring>& modules, const wchar_t* name) {
    return std::find(modules.begin(), modules.end(), name) != modules.end();
}

class ProgramStart : public ::testing::Test {
protected:
    // The output goes to the loop-back pipe, so no warning about a missing
    // device stands between the start and the main window.
    std::vector<std::wstring> settingsFor(const std::wstring& language) {
        return {L"[MIDI Device]", std::wstring(L"MIDIOutName=") + kLoopbackOutputName, L"[Language]",
                L"UserInterface=" + language};
    }
    const std::wstring prefix = uniqueName(L"quillbex-start");
    LoopbackPipes pipes{prefix};
};

TEST_F(ProgramStart, SettingChoosesTheLanguageModuleAndTheCloseBoxSavesInFileOrder) {
    const struct {
        const wchar_t* userInterface;
        const wchar_t* module;
    } cases[] = {
        {L"English", L"quillbexenu.dll"},
        {L"Chinese", L"quillbexchs.dll"},
        {L"english", L"quillbexjpn.dll"},
        {L"", L"quillbexjpn.dll"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "userInterface \"" << fs::path(c.userInterface).string() << "\"");
        ProgramFolder folder{builtProgramFolder()};
        folder.writeSettings(settingsFor(c.userInterface));
        ProgramRun run(folder, prefix);
        HWND window = run.mainWindow();
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(windowText(window), moduleCaption(folder.programDir() / c.module));
        const std::vector<std::wstring> modules = run.loadedModules();
        for (const wchar_t* module : {L"quillbexenu.dll", L"quillbexjpn.dll", L"quillbexchs.dll"}) {
            EXPECT_EQ(loaded(modules, module), std::wstring(module) == c.module) << fs::path(module).string();
        }

        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_EQ(run.waitForExit(), 1);
        const std::vector<std::wstring> saved = utf16Lines(folder.settingsBytes());
        EXPECT_EQ(layoutOf(saved), kSavedLayout);
        EXPECT_EQ(settingValue(saved, L"Language", L"UserInterface"), c.userInterface);
    }
}

TEST_F(ProgramStart, SecondStartRestoresTheFirstCopyAndEnds) {
    ProgramFolder folder{builtProgramFolder()};
    folder.writeSettings(settingsFor(L"English"));
    ProgramRun first(folder, prefix);
    HWND window = first.mainWindow();
    ASSERT_NE(window, nullptr);
    PostMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(waitUntil([&] { return IsIconic(window) != 0; }, kWindowWaitMs));
    const std::vector<uint8_t> settingsBefore = folder.settingsBytes();

    ProgramRun second(folder, prefix);
    EXPECT_EQ(second.waitForExit(), 0);
    EXPECT_TRUE(waitUntil([&] { return IsIconic(window) == 0; }, kWindowWaitMs));
    EXPECT_EQ(folder.settingsBytes(), settingsBefore);

    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(first.waitForExit(), 1);
}

// A module of that name elsewhere on the search path (PATH here) is never
// loaded in its place.
TEST_F(ProgramStart, MissingModuleIsNamedInABoxAndNothingIsSaved) {
    ProgramFolder folder{builtProgramFolder()};
    ProgramFolder elsewhere{builtProgramFolder()};
    folder.removeModule(L"QuillbexChs.dll");
    folder.writeSettings(settingsFor(L"Chinese"));
    const std::vector<uint8_t> settingsBefore = folder.settingsBytes();
    wchar_t path[32768] = {};
    GetEnvironmentVariableW(L"PATH", path, 32768);
    SetEnvironmentVariableW(L"PATH", (elsewhere.programDir().wstring() + L";" + path).c_str());
    ProgramRun run(folder, prefix);
    SetEnvironmentVariableW(L"PATH", path);

    HWND box = run.dialog();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(windowText(box), L"Quillbex");
    EXPECT_NE(messageBoxText(box).find(L"QuillbexChs.dll Load Failed!!"), std::wstring::npos) << fs::path(messageBoxText(box)).string();
    const std::vector<std::wstring> modules = run.loadedModules();
    EXPECT_FALSE(loaded(modules, L"quillbexchs.dll"));
    EXPECT_FALSE(loaded(modules, L"quillbexjpn.dll"));
    PostMessageW(box, WM_COMMAND, IDOK, 0);

    EXPECT_EQ(run.waitForExit(), 0);
    EXPECT_EQ(folder.settingsBytes(), settingsBefore);
}

TEST_F(ProgramStart, ProgramInAReleaseFolderKeepsItsSettingsOneFolderUp) {
    ProgramFolder folder(builtProgramFolder(), ProgramFolder::Content::empty, L"Release");
    folder.writeSettings(settingsFor(L"English"));
    ProgramRun run(folder, prefix);
    HWND window = run.mainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(loaded(run.loadedModules(), L"quillbexenu.dll"));

    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(run.waitForExit(), 1);
    EXPECT_EQ(layoutOf(utf16Lines(folder.settingsBytes())), kSavedLayout);
    EXPECT_FALSE(fs::exists(folder.programDir() / L"Quillbex.ini"));
}

TEST_F(ProgramStart, ModuleWithoutTheMainWindowStillSavesAndEndsWithOne) {
    ProgramFolder folder{builtProgramFolder()};
    folder.replaceModule(besideThisProgram(QUILLBEX_NO_MAIN_WINDOW_MODULE_FROM_TEST));
    folder.writeSettings(settingsFor(L"English"));

    ProgramRun run(folder, prefix);
    EXPECT_EQ(run.waitForExit(), 1);
    // The main window's initialisation opens the ports and starts the
    // workers; without the window neither happened.
    EXPECT_FALSE(pipes.fromProgram.waitForConnections(1, 0));
    EXPECT_EQ(layoutOf(utf16Lines(folder.settingsBytes())), kSavedLayout);
}

// The main window's class as the program registers it, read from the
// running program's window: no style, a dialog's window bytes and the
// language module as its instance. (Wine reads no icon, cursor or
// background of another process's class; start_up_test.cpp checks those.)
TEST_F(ProgramStart, MainWindowClassIsRegisteredForTheLanguageModule) {
    ProgramFolder folder{builtProgramFolder()};
    folder.writeSettings(settingsFor(L"English"));
    ProgramRun run(folder, prefix);
    HWND window = run.mainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetClassLongW(window, GCL_STYLE), 0u);
    EXPECT_EQ(GetClassLongW(window, GCL_CBWNDEXTRA), static_cast<DWORD>(DLGWINDOWEXTRA));
    EXPECT_EQ(GetClassLongPtrW(window, GCLP_HMODULE),
              reinterpret_cast<ULONG_PTR>(run.moduleHandle(L"quillbexenu.dll")));
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(run.waitForExit(), 1);
}

}  // namespace
