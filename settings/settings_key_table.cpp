#include "settings/settings_key_table.h"

#include <iterator>

#include "engine/player_state.h"
#include "midi/midi_bytes.h"

namespace {

constexpr bool kLoadOnly = false;

constexpr SettingKey textKey(const wchar_t* section, const wchar_t* name, const wchar_t* defaultText,
                             uint32_t readSize, wchar_t* field) {
    return {section, name, SettingKind::Text, defaultText, 0, readSize, true, field, nullptr, nullptr};
}

constexpr SettingKey numberKey(const wchar_t* section, const wchar_t* name, int32_t defaultNumber,
                               int32_t* field) {
    return {section, name, SettingKind::Number, nullptr, defaultNumber, 0, true, nullptr, field, nullptr};
}

constexpr SettingKey numberKey(const wchar_t* section, const wchar_t* name, int32_t defaultNumber,
                               std::atomic<int32_t>* field, bool saved = true) {
    return {section, name, SettingKind::Number, nullptr, defaultNumber, 0, saved, nullptr, nullptr, field};
}

constexpr SettingKey listKey(const wchar_t* section, const wchar_t* name, const wchar_t* defaultText,
                             std::atomic<int32_t>* firstGroup) {
    return {section, name, SettingKind::List, defaultText, 0, 0, true, nullptr, nullptr, firstGroup};
}

// Device names are read with 32 characters, so 31 of them are kept.
constexpr uint32_t kDeviceNameReadSize = 32;

const SettingKey kSettingKeys[] = {
    textKey(L"Status", L"PatchName", L"", kTextSize, playerState.settings.patchName),
    textKey(L"Status", L"PatternName", L"", kTextSize, playerState.settings.patternName),
    numberKey(L"Status", L"TempoMode", kTempoOwn, &playerState.settings.tempoMode),
    numberKey(L"Status", L"Tempo", kDefaultTempo, &playerState.settings.tempo),
    listKey(L"Status", L"NoteCheck", L"1,1,1,1,1,1,1,1", playerState.settings.noteCheck),
    listKey(L"Status", L"NoteLevel", L"100,100,100,100,100,100,100,100", playerState.settings.noteLevel),
    // For the run only: a saved file never holds them, so both are on again
    // at the next start.
    numberKey(L"Status", L"SyncStart", 1, &playerState.settings.syncStart, kLoadOnly),
    numberKey(L"Status", L"SyncStop", 1, &playerState.settings.syncStop, kLoadOnly),
    textKey(L"MIDI Device", L"MIDIInName", L"", kDeviceNameReadSize, playerState.settings.midiInName),
    textKey(L"MIDI Device", L"MIDIOutName", L"MIDI Mapper", kDeviceNameReadSize, playerState.settings.midiOutName),
    numberKey(L"MIDI Device", L"MIDIThru", 1, &playerState.settings.midiThru),
    numberKey(L"MIDI Sync Mode", L"MIDIInSyncMode", kInSyncTimingClock, &playerState.settings.midiInSyncMode),
    numberKey(L"MIDI Sync Mode", L"MIDIOutSyncMode", kOutSyncTimingClock, &playerState.settings.midiOutSyncMode),
    textKey(L"Language", L"UserInterface", L"Japanese", kTextSize, playerState.settings.userInterface),
    textKey(L"Language", L"TextEncoding", L"932-Japanese Shift-JIS", kTextSize, playerState.settings.textEncoding),
};

}  // namespace

std::span<const SettingKey> settingKeys() {
    return kSettingKeys;
}
