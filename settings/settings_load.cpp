#include "settings/settings_keys.h"

#include "common/bounded_copy.h"
#include "engine/player_state.h"
#include "engine/tempo.h"
#include "midi/midi_bytes.h"
#include "settings/profile.h"
#include "settings/settings_key_table.h"
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

void loadKey(const SettingKey& key, const wchar_t* path) {
    switch (key.kind) {
    case SettingKind::Text:
        readSettingString(key.section, key.name, key.defaultText, key.text, key.readSize, path);
        break;
    case SettingKind::Number: {
        const int32_t value = profileReadInt(key.section, key.name, key.defaultNumber, path);
        if (key.number) *key.number = value;
        else *key.sharedNumber = value;
        break;
    }
    case SettingKind::List: {
        wchar_t text[256] = {};
        profileReadString(key.section, key.name, key.defaultText, text, 256, path);
        scanIntList(text, key.sharedNumber, kDrumGroupCount);
        break;
    }
    }
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
    for (const SettingKey& key : settingKeys()) loadKey(key, path);
    // A hand-edited tempo the scroll bar cannot show would flood the output
    // (Tempo=1) or play nothing (a huge one); 0 or less has no bpm at all.
    p.settings.tempo = tempoInScrollRange(p.settings.tempo);
    // Only a key stored with nothing after "=" gets here: Windows 8 and later
    // have no MIDI mapper, so the built-in synthesizer stands in for it.
    if (p.settings.midiOutName[0] == L'\0')
        copyTruncated(p.settings.midiOutName, midiOutFallbackName(currentOsVersion()));
    return 1;
}
