#include "settings/settings_keys.h"

#include "engine/player_state.h"
#include "settings/profile.h"
#include "settings/settings_file.h"

#include <climits>
#include <cwchar>
#include <cwctype>

namespace {

// Blanks, an optional sign and decimal digits, as strtol reads them, clamped
// to 32 bits. False (and `text` unmoved) when no digit follows.
bool scanInt(const wchar_t*& text, int32_t& value) {
    const wchar_t* p = text;
    while (*p != L'\0' && std::iswspace(static_cast<wint_t>(*p))) ++p;
    bool negative = false;
    if (*p == L'+' || *p == L'-') negative = *p++ == L'-';
    if (*p < L'0' || *p > L'9') return false;
    int64_t magnitude = 0;
    for (; *p >= L'0' && *p <= L'9'; ++p)
        if (magnitude <= INT64_C(0x100000000)) magnitude = magnitude * 10 + (*p - L'0');
    int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue > INT32_MAX) signedValue = INT32_MAX;
    if (signedValue < INT32_MIN) signedValue = INT32_MIN;
    value = static_cast<int32_t>(signedValue);
    text = p;
    return true;
}

void readList(const wchar_t* key, const wchar_t* defaultValue, std::atomic<int32_t>* values,
              const wchar_t* path) {
    wchar_t text[256] = {};
    profileReadString(L"Status", key, defaultValue, text, 256, path);
    scanIntList(text, values, kDrumGroupCount);
}

}  // namespace

int scanIntList(const wchar_t* text, std::atomic<int32_t>* values, int count) {
    if (!text) return 0;
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            if (*text != L',') return i;
            ++text;
        }
        int32_t value = 0;
        if (!scanInt(text, value)) return i;
        values[i] = value;
    }
    return count;
}

int32_t codePageOfTextEncoding(const wchar_t* text) {
    int32_t codePage = 0;
    if (text && scanInt(text, codePage)) return codePage;
    return 0;
}

const wchar_t* midiOutFallbackName(OsVersion version) {
    bool beforeWindows8 = version.major < 6 || (version.major == 6 && version.minor < 2);
    return beforeWindows8 ? L"MIDI Mapper" : L"Microsoft GS Wavetable Synth";
}

int loadSettings(const wchar_t* path) {
    PlayerState& p = playerState;
    readSettingString(L"Status", L"PatchName", L"", p.patchName, kTextSize, path);
    readSettingString(L"Status", L"PatternName", L"", p.patternName, kTextSize, path);
    p.tempoMode = profileReadInt(L"Status", L"TempoMode", 0, path);
    p.tempo = profileReadInt(L"Status", L"Tempo", kDefaultTempo, path);
    // The main window divides by the tempo; a hand-edited 0 or less is unusable.
    if (p.tempo <= 0) p.tempo = kDefaultTempo;
    readList(L"NoteCheck", L"1,1,1,1,1,1,1,1", p.noteCheck, path);
    readList(L"NoteLevel", L"100,100,100,100,100,100,100,100", p.noteLevel, path);
    p.syncStart = profileReadInt(L"Status", L"SyncStart", 1, path);
    p.syncStop = profileReadInt(L"Status", L"SyncStop", 1, path);

    // Device names are kept to 31 characters.
    readSettingString(L"MIDI Device", L"MIDIInName", L"", p.midiInName, 32, path);
    readSettingString(L"MIDI Device", L"MIDIOutName", L"MIDI Mapper", p.midiOutName, 32, path);
    // Only a key stored with nothing after "=" gets here: Windows 8 and later
    // have no MIDI mapper, so the built-in synthesizer stands in for it.
    if (p.midiOutName[0] == L'\0')
        std::wcscpy(p.midiOutName, midiOutFallbackName(currentOsVersion()));
    p.midiThru = profileReadInt(L"MIDI Device", L"MIDIThru", 1, path);
    p.midiInSyncMode = profileReadInt(L"MIDI Sync Mode", L"MIDIInSyncMode", 1, path);
    p.midiOutSyncMode = profileReadInt(L"MIDI Sync Mode", L"MIDIOutSyncMode", 1, path);

    readSettingString(L"Language", L"UserInterface", L"Japanese", p.userInterface, kTextSize, path);
    readSettingString(L"Language", L"TextEncoding", L"932-Japanese Shift-JIS", p.textEncoding, kTextSize, path);
    return 1;
}
