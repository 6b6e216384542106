#include "engine/player_state.h"
#include "settings/settings_file.h"
#include "settings/settings_keys.h"
#include "settings_test_folder.h"
#include "common/file_access.h"

#include <cwchar>
#include <string>

namespace {

using LoadSaveTest = SettingsTest;

std::wstring groups(const std::atomic<int32_t>* values) {
    std::wstring text;
    for (int g = 0; g < kDrumGroupCount; ++g) text += (g ? L"," : L"") + std::to_wstring(values[g].load());
    return text;
}

TEST_F(LoadSaveTest, LoadsTheDefaultsWithoutAFile) {
    EXPECT_EQ(loadSettings(settingsPath().c_str()), 1);
    const PlayerState& p = playerState;
    EXPECT_EQ(p.settings.tempo, 500000);
    EXPECT_EQ(p.settings.tempoMode, 0);
    EXPECT_EQ(groups(p.settings.noteCheck), L"1,1,1,1,1,1,1,1");
    EXPECT_EQ(groups(p.settings.noteLevel), L"100,100,100,100,100,100,100,100");
    EXPECT_EQ(p.settings.syncStart, 1);
    EXPECT_EQ(p.settings.syncStop, 1);
    EXPECT_EQ(p.settings.midiThru, 1);
    EXPECT_EQ(p.settings.midiInSyncMode, 1);
    EXPECT_EQ(p.settings.midiOutSyncMode, 1);
    EXPECT_STREQ(p.settings.patchName, L"");
    EXPECT_STREQ(p.settings.patternName, L"");
    EXPECT_STREQ(p.settings.midiInName, L"");
    EXPECT_STREQ(p.settings.midiOutName, L"MIDI Mapper");
    EXPECT_STREQ(p.settings.userInterface, L"Japanese");
    EXPECT_STREQ(p.settings.textEncoding, L"932-Japanese Shift-JIS");
    EXPECT_EQ(codePageOfTextEncoding(p.settings.textEncoding), 932);
}

TEST_F(LoadSaveTest, ScansListsUpToTheFirstMismatch) {
    const struct {
        const wchar_t* text;
        const wchar_t* values;  // starting from all 9
    } lists[] = {
        {L"50,60", L"50,60,9,9,9,9,9,9"},
        {L"", L"9,9,9,9,9,9,9,9"},
        {L" 1, -2,+3,4,5,6,7,8,99", L"1,-2,3,4,5,6,7,8"},
        {L"1 ,2", L"1,9,9,9,9,9,9,9"},
        {L"1,x,3", L"1,9,9,9,9,9,9,9"},
        {L"1,,3", L"1,9,9,9,9,9,9,9"},
        {L"-,1", L"9,9,9,9,9,9,9,9"},
        {L"99999999999,-99999999999", L"2147483647,-2147483648,9,9,9,9,9,9"},
    };
    for (const auto& list : lists) {
        SCOPED_TRACE(testing::Message() << "list index " << (&list - lists));
        std::atomic<int32_t> values[kDrumGroupCount];
        for (auto& v : values) v = 9;
        scanIntList(list.text, values, kDrumGroupCount);
        EXPECT_EQ(groups(values), list.values);
    }

    // From the file, the elements after a mismatch keep their start-up 0.
    writeBytes(settingsPath(), utf16leFile(L"[Status]\r\nNoteLevel=50,60\r\nNoteCheck=\r\n"));
    loadSettings(settingsPath().c_str());
    EXPECT_EQ(groups(playerState.settings.noteLevel), L"50,60,0,0,0,0,0,0");
    EXPECT_EQ(groups(playerState.settings.noteCheck), L"0,0,0,0,0,0,0,0");
}

TEST_F(LoadSaveTest, ReadsCodePagesAsLeadingDecimalNumbers) {
    const struct {
        const wchar_t* text;
        int32_t codePage;
    } entries[] = {
        {L"932-Japanese Shift-JIS", 932}, {L"1252-Western Latin-1 [recommended]", 1252},
        {L"  65001-UTF-8", 65001},        {L"Western", 0},
        {L"", 0},                         {L"-5x", -5},
    };
    for (const auto& entry : entries) EXPECT_EQ(codePageOfTextEncoding(entry.text), entry.codePage) << entry.codePage;
    EXPECT_EQ(codePageOfTextEncoding(nullptr), 0);
}

TEST_F(LoadSaveTest, PicksTheOutputDeviceForAnEmptyName) {
    EXPECT_STREQ(midiOutFallbackName({5, 1}), L"MIDI Mapper");
    EXPECT_STREQ(midiOutFallbackName({6, 1}), L"MIDI Mapper");
    EXPECT_STREQ(midiOutFallbackName({6, 2}), L"Microsoft GS Wavetable Synth");
    EXPECT_STREQ(midiOutFallbackName({10, 0}), L"Microsoft GS Wavetable Synth");

    writeBytes(settingsPath(), utf16leFile(L"[MIDI Device]\r\nMIDIInName=\r\nMIDIOutName=\r\n"));
    loadSettings(settingsPath().c_str());
    EXPECT_STREQ(playerState.settings.midiInName, L"");
    const wchar_t* fallback = midiOutFallbackName(currentOsVersion());
    EXPECT_STREQ(playerState.settings.midiOutName, fallback);
    EXPECT_EQ(writeSettingsFile(settingsPath().c_str()), 1);
    resetPlayerState();
    loadSettings(settingsPath().c_str());
    EXPECT_STREQ(playerState.settings.midiOutName, fallback);
}

// A tempo the scroll bar (16..256 bpm) cannot show is brought into its range.
TEST_F(LoadSaveTest, KeepsDeviceNamesTo31CharactersAndTemposToTheScrollBarsRange) {
    const std::wstring name40 = L"0123456789012345678901234567890123456789";
    const struct {
        const wchar_t* tempo;
        int32_t loaded;
    } tempos[] = {{L"0", 500000},        {L"-5", 500000},          {L"", 500000},
                  {L"1", 234375},        {L"234374", 234375},      {L"234375", 234375},
                  {L"500001", 500001},   {L"3750000", 3750000},    {L"3750001", 3750000},
                  {L"2147483647", 3750000}};
    for (const auto& tempo : tempos) {
        SCOPED_TRACE(testing::Message() << "tempo index " << (&tempo - tempos));
        writeBytes(settingsPath(), utf16leFile(L"[Status]\r\nTempo=" + std::wstring(tempo.tempo) +
                                               L"\r\n[MIDI Device]\r\nMIDIInName=" + name40 +
                                               L"\r\nMIDIOutName=" + name40 + L"\r\n"));
        resetPlayerState();
        loadSettings(settingsPath().c_str());
        EXPECT_EQ(playerState.settings.tempo, tempo.loaded);
        EXPECT_EQ(std::wstring(playerState.settings.midiInName), name40.substr(0, 31));
        EXPECT_EQ(std::wstring(playerState.settings.midiOutName), name40.substr(0, 31));
    }
}

// The fields as a run may leave them, and the file the exit writes for them.
void setRunFields() {
    PlayerState& p = playerState;
    std::wcscpy(p.settings.patchName, L"GM Reset.mid");
    std::wcscpy(p.settings.patternName, L"");
    p.settings.tempoMode = 1;
    p.settings.tempo = 468750;
    for (int g = 0; g < kDrumGroupCount; ++g) {
        p.settings.noteCheck[g] = g % 2;
        p.settings.noteLevel[g] = 10 * g + 1;
    }
    p.settings.syncStart = 0;
    p.settings.syncStop = 0;
    std::wcscpy(p.settings.midiInName, L"USB MIDI In");
    std::wcscpy(p.settings.midiOutName, L"Microsoft GS Wavetable Synth");
    p.settings.midiThru = 0;
    p.settings.midiInSyncMode = 2;
    p.settings.midiOutSyncMode = -3;
    std::wcscpy(p.settings.userInterface, L"English");
    std::wcscpy(p.settings.textEncoding, L"1252-Western Latin-1 [recommended]");
}

const wchar_t kSavedRunFile[] =
    L"[Status]\r\n"
    L"PatchName=GM Reset.mid\r\n"
    L"PatternName=\r\n"
    L"TempoMode=1\r\n"
    L"Tempo=468750\r\n"
    L"NoteCheck=0,1,0,1,0,1,0,1\r\n"
    L"NoteLevel=1,11,21,31,41,51,61,71\r\n"
    L"[MIDI Device]\r\n"
    L"MIDIInName=USB MIDI In\r\n"
    L"MIDIOutName=Microsoft GS Wavetable Synth\r\n"
    L"MIDIThru=0\r\n"
    L"[MIDI Sync Mode]\r\n"
    L"MIDIInSyncMode=2\r\n"
    L"MIDIOutSyncMode=-3\r\n"
    L"[Language]\r\n"
    L"UserInterface=English\r\n"
    L"TextEncoding=1252-Western Latin-1 [recommended]\r\n";

TEST_F(LoadSaveTest, SavesExactlyTheSaveListInOrder) {
    const std::wstring path = settingsPath();
    // Whatever the old file held, in whatever encoding, is gone.
    writeBytes(path, byteFile(L"; hand-edited\r\n[Language]\r\nTextEncoding=932\r\n[Status]\r\n"
                              L"SyncStart=0\r\nSyncStop=0\r\nExtra=1\r\n[Mine]\r\nKey=2\r\n"));
    setRunFields();
    resetSettingsFile(path.c_str());
    EXPECT_EQ(saveSettings(path.c_str()), 1);
    EXPECT_EQ(readBytes(path), utf16leFile(kSavedRunFile));

    // The exit's own write gives the same bytes and leaves no temporary behind.
    writeBytes(path, "old");
    EXPECT_EQ(writeSettingsFile(path.c_str()), 1);
    EXPECT_EQ(readBytes(path), utf16leFile(kSavedRunFile));
    EXPECT_FALSE(std::filesystem::exists(path + L".new"));
}

TEST_F(LoadSaveTest, LoadsWhatItSavedExceptTheSyncFlags) {
    const std::wstring path = settingsPath();
    setRunFields();
    ASSERT_EQ(writeSettingsFile(path.c_str()), 1);
    resetPlayerState();
    loadSettings(path.c_str());
    const PlayerState& p = playerState;
    EXPECT_STREQ(p.settings.patchName, L"GM Reset.mid");
    EXPECT_STREQ(p.settings.patternName, L"");
    EXPECT_EQ(p.settings.tempoMode, 1);
    EXPECT_EQ(p.settings.tempo, 468750);
    EXPECT_EQ(groups(p.settings.noteCheck), L"0,1,0,1,0,1,0,1");
    EXPECT_EQ(groups(p.settings.noteLevel), L"1,11,21,31,41,51,61,71");
    EXPECT_EQ(p.settings.syncStart, 1);  // not saved: back on at every start
    EXPECT_EQ(p.settings.syncStop, 1);
    EXPECT_STREQ(p.settings.midiInName, L"USB MIDI In");
    EXPECT_STREQ(p.settings.midiOutName, L"Microsoft GS Wavetable Synth");
    EXPECT_EQ(p.settings.midiThru, 0);
    EXPECT_EQ(p.settings.midiInSyncMode, 2);
    EXPECT_EQ(p.settings.midiOutSyncMode, -3);
    EXPECT_STREQ(p.settings.userInterface, L"English");
    EXPECT_STREQ(p.settings.textEncoding, L"1252-Western Latin-1 [recommended]");

    // Saved again unchanged, the file is the same to the byte.
    const std::string first = readBytes(path);
    ASSERT_EQ(writeSettingsFile(path.c_str()), 1);
    EXPECT_EQ(readBytes(path), first);
}

TEST_F(LoadSaveTest, HandEditedSyncFlagsLastOneRun) {
    const std::wstring path = settingsPath();
    writeBytes(path, byteFile(L"[Status]\r\nSyncStart=0\r\nSyncStop=0\r\n"));
    loadSettings(path.c_str());
    EXPECT_EQ(playerState.settings.syncStart, 0);
    EXPECT_EQ(playerState.settings.syncStop, 0);
    ASSERT_EQ(writeSettingsFile(path.c_str()), 1);
    resetPlayerState();
    loadSettings(path.c_str());
    EXPECT_EQ(playerState.settings.syncStart, 1);
    EXPECT_EQ(playerState.settings.syncStop, 1);
}

// Where no file can be made beside Quillbex.ini, the file itself is
// rewritten; only when nothing can be written does the save fail, and then
// nothing is created or removed.
TEST_F(LoadSaveTest, RewritesInPlaceWhenNoNewFileCanBeMade) {
    setRunFields();
    const std::wstring path = settingsPath();
    writeBytes(path, "[Status]\r\nTempo=300000\r\n");
    std::filesystem::create_directory(path + L".new");
    EXPECT_EQ(writeSettingsFile(path.c_str()), 1);
    EXPECT_EQ(readBytes(path), utf16leFile(kSavedRunFile));
    EXPECT_TRUE(std::filesystem::is_directory(path + L".new"));

    const std::filesystem::path missing = folder_ / L"missing";
    EXPECT_EQ(writeSettingsFile((missing / L"Quillbex.ini").wstring().c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists(missing));

    const std::wstring folderPath = pathOf(L"Folder.ini");
    std::filesystem::create_directory(folderPath);
    EXPECT_EQ(writeSettingsFile(folderPath.c_str()), 0);
    EXPECT_TRUE(std::filesystem::is_directory(folderPath));
    EXPECT_FALSE(std::filesystem::exists(folderPath + L".new"));

    EXPECT_EQ(writeSettingsFile(nullptr), 0);
    EXPECT_EQ(writeSettingsFile(L""), 0);
}

// A replace that fails after removing the old file (as Windows' may): the
// file is rewritten in place, or where even that fails the new one is kept.
TEST_F(LoadSaveTest, AReplaceThatLosesTheOldFileKeepsTheSettings) {
    namespace fs = std::filesystem;
    setRunFields();
    const std::wstring path = settingsPath();
    const ReplaceFileFunction replaces[] = {
        [](const wchar_t*, const wchar_t* to) { return !fs::remove(to); },
        [](const wchar_t*, const wchar_t* to) { return !(fs::remove(to) && fs::create_directory(to)); },
    };
    for (const ReplaceFileFunction replace : replaces) {
        const bool inPlace = replace == replaces[0];
        fs::remove_all(path);
        writeBytes(path, "[Status]\r\nTempo=300000\r\n");
        setReplaceFileFunction(replace);
        EXPECT_EQ(writeSettingsFile(path.c_str()), inPlace ? 1 : 0);
        const std::wstring saved = inPlace ? path : path + L".new";
        EXPECT_EQ(readBytes(saved), utf16leFile(kSavedRunFile));
        EXPECT_EQ(settingsKeptBeside(), inPlace ? L"" : saved);
        EXPECT_EQ(fs::exists(path + L".new"), !inPlace);
    }
}

// A settings file that is a link, or one of two names of a file, is saved
// through the link; a file with its own permissions keeps them.
TEST_F(LoadSaveTest, SavedFileKeepsItsPlace) {
    namespace fs = std::filesystem;
    setRunFields();
    const fs::path path = settingsPath();
    const fs::path target = folder_ / L"elsewhere.ini";
    const struct {
        const char* name;
        void (*make)(const fs::path& target, const fs::path& path);
        bool symlink;
    } places[] = {
        {"symbolic link", [](const fs::path& t, const fs::path& p) { fs::create_symlink(t, p); }, true},
        {"hard link", [](const fs::path& t, const fs::path& p) { fs::create_hard_link(t, p); }, false},
    };
    for (const auto& place : places) {
        SCOPED_TRACE(place.name);
        fs::remove(path);
        writeBytes(target.wstring(), "old");
        try {
            place.make(target, path);
        } catch (const fs::filesystem_error&) {
            continue;  // a file system without such links
        }
        ASSERT_EQ(writeSettingsFile(path.wstring().c_str()), 1);
        EXPECT_EQ(readBytes(target.wstring()), utf16leFile(kSavedRunFile));
        EXPECT_EQ(fs::is_symlink(path), place.symlink);
        EXPECT_EQ(readBytes(path.wstring()), utf16leFile(kSavedRunFile));
    }
#ifndef _WIN32
    fs::remove(path);
    writeBytes(path.wstring(), "old");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_EQ(writeSettingsFile(path.wstring().c_str()), 1);
    EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(readBytes(path.wstring()), utf16leFile(kSavedRunFile));
#endif
}

}  // namespace
