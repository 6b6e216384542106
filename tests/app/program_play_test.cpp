// Quillbex.exe played from outside through the loop-back ports: Start and
// Stop, sync start with thru, the device dialog's reopening, and every
// change made in the window found in Quillbex.ini after exit.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "midi/ports/loopback_pipe.h"
#include "resources/resource_ids.h"
#include "tests/app/loopback_program_test.h"
#include "tests/support/smf_builder.h"
#include "tools/program_driver/loopback_pipe_server.h"
#include "tools/program_driver/program_run.h"

namespace {

constexpr DWORD kPlayWaitMs = 3000;

bool isNoteOn(const LoopbackMessage& m, uint8_t status, uint8_t key) {
    return m.size() == 3 && m[0] == status && m[1] == key && m[2] > 0;
}

bool contains(const std::vector<LoopbackMessage>& messages, const LoopbackMessage& wanted) {
    return std::find(messages.begin(), messages.end(), wanted) != messages.end();
}

// Clock pulses (0xF8) aside, the messages from the program until `done`.
template <typename Done>
std::vector<LoopbackMessage> receive(LoopbackPipes& pipes, Done done) {
    std::vector<LoopbackMessage> all = pipes.fromProgram.readUntil(
        [&](const std::vector<LoopbackMessage>& so) { return !so.empty() && done(so.back()); }, kPlayWaitMs);
    std::erase(all, LoopbackMessage{0xF8});
    return all;
}

class ProgramPlay : public LoopbackProgramTest {
protected:
    ProgramPlay() : LoopbackProgramTest(L"quillbex-play") {}

    void SetUp() override {
        folder.addPattern(L"Beat.mid", bassAndSnareBar());
        folder.addPattern(L"Other.mid", bassAndSnareBar());
        startProgram({
            L"[Status]", L"PatternName=beat.mid", L"NoteLevel=100,50,100,100,100,100,100,80",
            L"[MIDI Device]", std::wstring(L"MIDIInName=") + kLoopbackInputName,
            std::wstring(L"MIDIOutName=") + kLoopbackOutputName, L"MIDIThru=1",
            L"[MIDI Sync Mode]", L"MIDIOutSyncMode=1",
            L"[Language]", L"UserInterface=English"});
    }
};

TEST_F(ProgramPlay, StartPlaysTheStoredPatternAtItsLevelsAndStopSilencesEveryChannel) {
    clickButton(window, IDC_START_BUTTON);
    const auto started = receive(pipes, [](const LoopbackMessage& m) { return isNoteOn(m, 0x99, 36); });
    ASSERT_FALSE(started.empty());
    EXPECT_EQ(started.front(), LoopbackMessage{0xFA});
    // Velocity 100 at bass drum level 50 and master level 80.
    EXPECT_EQ(started.back(), (LoopbackMessage{0x99, 36, 40}));

    clickButton(window, IDC_STOP_BUTTON);
    const auto stopped = receive(pipes, [](const LoopbackMessage& m) { return m == LoopbackMessage{0xFC}; });
    ASSERT_FALSE(stopped.empty());
    EXPECT_EQ(stopped.back(), LoopbackMessage{0xFC});
    for (uint8_t channel = 0; channel < 16; ++channel) {
        EXPECT_TRUE(contains(stopped, {uint8_t(0xB0 | channel), 123, 0})) << int(channel);
    }
}

TEST_F(ProgramPlay, NotePlayedOnTheInputStartsThePatternAndComesBackThrough) {
    ASSERT_TRUE(pipes.toProgram.write({0x90, 60, 100}));
    const auto played = receive(pipes, [](const LoopbackMessage& m) { return isNoteOn(m, 0x99, 36); });
    EXPECT_TRUE(contains(played, {0x90, 60, 100}));
    ASSERT_FALSE(played.empty());
    EXPECT_TRUE(isNoteOn(played.back(), 0x99, 36));

    // Releasing the last held note stops it again (sync stop).
    ASSERT_TRUE(pipes.toProgram.write({0x80, 60, 0}));
    const auto released = receive(pipes, [](const LoopbackMessage& m) { return m == LoopbackMessage{0xFC}; });
    EXPECT_TRUE(contains(released, {0x80, 60, 0}));
    EXPECT_TRUE(contains(released, {0xFC}));
}

TEST_F(ProgramPlay, DeviceDialogReopensTheLoopBackPorts) {
    clickButton(window, IDC_DEVICE_BUTTON);
    HWND dialog = run->dialog(IDC_MIDI_IN_LIST);
    ASSERT_NE(dialog, nullptr);
    clickButton(dialog, IDOK);
    EXPECT_TRUE(pipes.toProgram.waitForConnections(2, kWindowWaitMs));
    EXPECT_TRUE(pipes.fromProgram.waitForConnections(2, kWindowWaitMs));

    // Both new connections carry: a note comes back through.
    ASSERT_TRUE(pipes.toProgram.write({0x91, 61, 90}));
    const auto through = receive(pipes, [](const LoopbackMessage& m) { return m == LoopbackMessage{0x91, 61, 90}; });
    EXPECT_TRUE(contains(through, {0x91, 61, 90}));
}

// The entry of a list or combo box of another process that reads `text`.
int findEntry(HWND control, UINT countMessage, UINT textMessage, const std::wstring& text) {
    const int count = static_cast<int>(SendMessageW(control, countMessage, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t entry[256] = {};
        SendMessageW(control, textMessage, i, reinterpret_cast<LPARAM>(entry));
        if (text == entry) return i;
    }
    return -1;
}

// Selects an entry as the user would, with the notification the owner acts on.
void selectListEntry(HWND owner, int listId, int index) {
    HWND list = GetDlgItem(owner, listId);
    SendMessageW(list, LB_SETCURSEL, index, 0);
    PostMessageW(owner, WM_COMMAND, MAKEWPARAM(listId, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

bool closed(HWND dialog) {
    return waitUntil([&] { return !IsWindow(dialog); }, kWindowWaitMs);
}

TEST_F(ProgramPlay, EveryChangeMadeInTheWindowIsInTheSettingsFileAfterExit) {
    HWND patternList = GetDlgItem(window, IDC_PATTERN_LIST);
    selectListEntry(window, IDC_PATTERN_LIST, findEntry(patternList, LB_GETCOUNT, LB_GETTEXT, L"Other.mid"));
    HWND scroll = GetDlgItem(window, IDC_TEMPO_SCROLL);
    PostMessageW(window, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 150), reinterpret_cast<LPARAM>(scroll));
    clickButton(window, IDC_TEMPO_FOLLOW_RADIO);
    clickButton(window, IDC_GROUP_CHECK_FIRST + IDC_GROUP_STRIDE);  // group 2 off
    PostMessageW(GetDlgItem(window, IDC_GROUP_LEVEL_SPIN_FIRST + 2 * IDC_GROUP_STRIDE), UDM_SETPOS, 0,
                 MAKELPARAM(150, 0));  // group 3 at 150

    clickButton(window, IDC_DEVICE_BUTTON);
    HWND devices = run->dialog(IDC_MIDI_THRU_CHECK);
    ASSERT_NE(devices, nullptr);
    clickButton(devices, IDC_MIDI_THRU_CHECK);
    clickButton(devices, IDOK);
    ASSERT_TRUE(closed(devices));

    clickButton(window, IDC_SYNC_MODE_BUTTON);
    HWND syncModes = run->dialog(IDC_OUT_SYNC_MODE_LIST);
    ASSERT_NE(syncModes, nullptr);
    SendMessageW(GetDlgItem(syncModes, IDC_IN_SYNC_MODE_LIST), LB_SETCURSEL, 2, 0);
    SendMessageW(GetDlgItem(syncModes, IDC_OUT_SYNC_MODE_LIST), LB_SETCURSEL, 3, 0);
    clickButton(syncModes, IDOK);
    ASSERT_TRUE(closed(syncModes));

    clickButton(window, IDC_LANGUAGE_BUTTON);
    HWND language = run->dialog(IDC_USER_INTERFACE_COMBO);
    ASSERT_NE(language, nullptr);
    HWND languages = GetDlgItem(language, IDC_USER_INTERFACE_COMBO);
    SendMessageW(languages, CB_SETCURSEL, findEntry(languages, CB_GETCOUNT, CB_GETLBTEXT, L"Chinese"), 0);
    HWND encodings = GetDlgItem(language, IDC_TEXT_ENCODING_COMBO);
    SendMessageW(encodings, CB_SETCURSEL, 1, 0);
    wchar_t encoding[256] = {};
    SendMessageW(encodings, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(encoding));
    clickButton(language, IDOK);
    // The box saying the language takes effect at the next start.
    HWND box = nullptr;
    ASSERT_TRUE(waitUntil([&] {
        box = run->dialog();
        return box != nullptr && box != language && GetDlgItem(box, IDC_USER_INTERFACE_COMBO) == nullptr;
    }, kWindowWaitMs));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(closed(language));

    clickButton(window, IDC_EXIT_BUTTON);
    ASSERT_EQ(run->waitForExit(), 1);
    window = nullptr;
    const std::vector<std::wstring> saved = utf16Lines(folder.settingsBytes());
    const struct {
        const wchar_t* section;
        const wchar_t* key;
        std::wstring value;
    } expected[] = {
        {L"Status", L"PatternName", L"Other.mid"},
        {L"Status", L"TempoMode", L"1"},
        {L"Status", L"Tempo", L"400000"},
        {L"Status", L"NoteCheck", L"1,1,0,1,1,1,1,1"},
        {L"Status", L"NoteLevel", L"100,50,100,150,100,100,100,80"},
        {L"MIDI Device", L"MIDIInName", kLoopbackInputName},
        {L"MIDI Device", L"MIDIOutName", kLoopbackOutputName},
        {L"MIDI Device", L"MIDIThru", L"0"},
        {L"MIDI Sync Mode", L"MIDIInSyncMode", L"2"},
        {L"MIDI Sync Mode", L"MIDIOutSyncMode", L"3"},
        {L"Language", L"UserInterface", L"Chinese"},
        {L"Language", L"TextEncoding", encoding},
    };
    for (const auto& e : expected) {
        EXPECT_EQ(settingValue(saved, e.section, e.key), e.value) << std::filesystem::path(e.key).string();
    }
}

}  // namespace
