// Quillbex.exe from outside, where the user's settings and the boxes meet:
// an output device that fails to open stays stored, the notes of a phrase
// played with no pattern loaded put up one box at a time, and settings that
// cannot be saved at exit are named in a box that can try again.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "midi/ports/loopback_pipe.h"
#include "resources/resource_ids.h"
#include "tests/app/built_program.h"
#include "tools/program_driver/loopback_pipe_server.h"
#include "tools/program_driver/program_run.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::wstring> englishSettings(const std::vector<std::wstring>& deviceLines) {
    std::vector<std::wstring> lines = {L"[MIDI Device]"};
    lines.insert(lines.end(), deviceLines.begin(), deviceLines.end());
    lines.insert(lines.end(), {L"[Language]", L"UserInterface=English"});
    return lines;
}

const std::wstring kStoredOutput = std::wstring(L"MIDIOutName=") + kLoopbackOutputName;
const std::wstring kStoredInput = std::wstring(L"MIDIInName=") + kLoopbackInputName;

bool mentions(HWND box, const std::wstring& text) {
    return messageBoxText(box).find(text) != std::wstring::npos;
}

// A message box of `run` other than the dialog `besides`.
HWND boxBesides(ProgramRun& run, HWND besides) {
    HWND box = nullptr;
    waitUntil([&] {
        box = run.dialog();
        return box != nullptr && box != besides && GetWindow(box, GW_OWNER) != nullptr;
    }, kWindowWaitMs);
    return box;
}

struct OwnedBoxCount {
    HWND owner;
    int count;
};

BOOL CALLBACK countOwnedBox(HWND window, LPARAM state) {
    auto* boxes = reinterpret_cast<OwnedBoxCount*>(state);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (std::wstring(className) == L"#32770" && IsWindowVisible(window) && GetWindow(window, GW_OWNER) == boxes->owner)
        ++boxes->count;
    return TRUE;
}

int boxesOwnedBy(HWND owner) {
    OwnedBoxCount boxes{owner, 0};
    EnumWindows(countOwnedBox, reinterpret_cast<LPARAM>(&boxes));
    return boxes.count;
}

class ProgramSettings : public ::testing::Test {
protected:
    const std::wstring prefix = uniqueName(L"quillbex-settings");
    ProgramFolder folder{builtProgramFolder()};
};

TEST_F(ProgramSettings, OutputThatFailsToOpenStaysStoredAndOpensAtTheNextStart) {
    folder.writeSettings(englishSettings({kStoredOutput}));
    {
        // No pipe to connect to: the output fails at the start and again on
        // the device dialog's OK.
        ProgramRun run(folder, prefix);
        HWND startBox = run.dialog();
        ASSERT_NE(startBox, nullptr);
        EXPECT_TRUE(mentions(startBox, kLoopbackOutputName));
        PostMessageW(startBox, WM_COMMAND, IDOK, 0);
        HWND window = run.mainWindow();
        ASSERT_NE(window, nullptr);

        clickButton(window, IDC_DEVICE_BUTTON);
        HWND devices = run.dialog(IDC_MIDI_OUT_LIST);
        ASSERT_NE(devices, nullptr);
        clickButton(devices, IDOK);
        HWND box = boxBesides(run, devices);
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(mentions(box, kLoopbackOutputName));
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(waitUntil([&] { return !IsWindow(devices); }, kWindowWaitMs));

        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        ASSERT_EQ(run.waitForExit(), 1);
    }
    EXPECT_EQ(settingValue(utf16Lines(folder.settingsBytes()), L"MIDI Device", L"MIDIOutName"), kLoopbackOutputName);

    LoopbackPipes pipes{prefix};
    ProgramRun run(folder, prefix);
    HWND window = run.mainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(pipes.fromProgram.waitForConnections(1, kWindowWaitMs));
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(run.waitForExit(), 1);
}

// Sync start is on by default: every note posts Start, and with no pattern
// loaded every Start would warn. Those posted while the box is open are
// dropped.
TEST_F(ProgramSettings, PhrasePlayedWithNoPatternShowsOneBoxAtATime) {
    folder.writeSettings(englishSettings({kStoredInput, kStoredOutput}));
    LoopbackPipes pipes{prefix};
    ProgramRun run(folder, prefix);
    HWND window = run.mainWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(pipes.toProgram.waitForConnections(1, kWindowWaitMs));
    ASSERT_TRUE(pipes.fromProgram.waitForConnections(1, kWindowWaitMs));

    constexpr int kNotes = 30;
    for (int i = 0; i < kNotes; ++i) {
        ASSERT_TRUE(pipes.toProgram.write({0x90, uint8_t(48 + i), 100}));
        Sleep(40);
    }
    // Thru brings the last note back once the input thread has posted every Start.
    const LoopbackMessage last = {0x90, uint8_t(48 + kNotes - 1), 100};
    const auto through = pipes.fromProgram.readUntil(
        [&](const std::vector<LoopbackMessage>& so) { return !so.empty() && so.back() == last; }, kWindowWaitMs);
    ASSERT_FALSE(through.empty());
    ASSERT_EQ(through.back(), last);
    EXPECT_FALSE(waitUntil([&] { return boxesOwnedBy(window) > 1; }, 1000));
    HWND box = run.dialog();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(boxesOwnedBy(window), 1);
    EXPECT_TRUE(mentions(box, L"No pattern is loaded."));

    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(box); }, kWindowWaitMs));
    EXPECT_FALSE(waitUntil([&] { return boxesOwnedBy(window) > 0; }, 500));
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(run.waitForExit(), 1);
}

// Another program holds Quillbex.ini open without sharing at exit: the box
// names the file; Retry once it is let go saves the run's changes, Cancel
// leaves the file as it was.
TEST_F(ProgramSettings, SettingsThatCannotBeSavedAreNamedInABoxThatCanRetry) {
    LoopbackPipes pipes{prefix};
    for (const bool retry : {true, false}) {
        SCOPED_TRACE(retry ? "Retry" : "Cancel");
        folder.writeSettings(englishSettings({kStoredOutput}));
        const std::vector<uint8_t> before = folder.settingsBytes();
        ProgramRun run(folder, prefix);
        HWND window = run.mainWindow();
        ASSERT_NE(window, nullptr);
        // 150 beats per minute.
        PostMessageW(window, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 150),
                     reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_TEMPO_SCROLL)));

        HANDLE held = CreateFileW(folder.settingsFile().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        HWND box = run.dialog();
        CloseHandle(held);
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(mentions(box, L"Quillbex.ini"));
        PostMessageW(box, WM_COMMAND, retry ? IDRETRY : IDCANCEL, 0);
        ASSERT_EQ(run.waitForExit(), 1);

        if (retry) {
            EXPECT_EQ(settingValue(utf16Lines(folder.settingsBytes()), L"Status", L"Tempo"), L"400000");
        } else {
            EXPECT_EQ(folder.settingsBytes(), before);
        }
        EXPECT_FALSE(fs::exists(folder.settingsFile().wstring() + L".new"));
    }
}

}  // namespace
