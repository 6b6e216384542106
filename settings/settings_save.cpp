#include "settings/settings_keys.h"

#include "engine/player_state.h"
#include "settings/file_access.h"
#include "settings/profile.h"
#include "settings/settings_file.h"

#include <cwchar>
#include <iterator>
#include <string>

namespace {

bool writeList(const wchar_t* key, const std::atomic<int32_t>* values, const wchar_t* path) {
    wchar_t text[256] = {};
    std::swprintf(text, std::size(text), L"%d,%d,%d,%d,%d,%d,%d,%d", static_cast<int>(values[0]),
                  static_cast<int>(values[1]), static_cast<int>(values[2]), static_cast<int>(values[3]),
                  static_cast<int>(values[4]), static_cast<int>(values[5]), static_cast<int>(values[6]),
                  static_cast<int>(values[7]));
    return profileWriteString(L"Status", key, text, path);
}

}  // namespace

bool trySaveSettings(const wchar_t* path) {
    const PlayerState& p = playerState;
    // Every write is tried, even after one has failed.
    bool ok = true;
    ok &= profileWriteString(L"Status", L"PatchName", p.patchName, path);
    ok &= profileWriteString(L"Status", L"PatternName", p.patternName, path);
    ok &= tryWriteSettingInt(L"Status", L"TempoMode", p.tempoMode, path);
    ok &= tryWriteSettingInt(L"Status", L"Tempo", p.tempo, path);
    ok &= writeList(L"NoteCheck", p.noteCheck, path);
    ok &= writeList(L"NoteLevel", p.noteLevel, path);

    ok &= profileWriteString(L"MIDI Device", L"MIDIInName", p.midiInName, path);
    ok &= profileWriteString(L"MIDI Device", L"MIDIOutName", p.midiOutName, path);
    ok &= tryWriteSettingInt(L"MIDI Device", L"MIDIThru", p.midiThru, path);

    ok &= tryWriteSettingInt(L"MIDI Sync Mode", L"MIDIInSyncMode", p.midiInSyncMode, path);
    ok &= tryWriteSettingInt(L"MIDI Sync Mode", L"MIDIOutSyncMode", p.midiOutSyncMode, path);

    ok &= profileWriteString(L"Language", L"UserInterface", p.userInterface, path);
    ok &= profileWriteString(L"Language", L"TextEncoding", p.textEncoding, path);
    return ok;
}

int saveSettings(const wchar_t* path) {
    trySaveSettings(path);
    return 1;
}

int writeSettingsFile(const wchar_t* path) {
    if (!path || !*path) return 0;
    std::wstring temporary = std::wstring(path) + L".new";
    if (tryResetSettingsFile(temporary.c_str()) && trySaveSettings(temporary.c_str()) &&
        replaceFile(temporary.c_str(), path))
        return 1;
    removeFile(temporary.c_str());
    return 0;
}
