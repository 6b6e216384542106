#include "settings/settings_keys.h"

#include "common/file_access.h"
#include "settings/profile.h"
#include "settings/settings_file.h"
#include "settings/settings_key_table.h"

#include <cwchar>
#include <iterator>
#include <string>

namespace {

bool writeList(const wchar_t* section, const wchar_t* key, const std::atomic<int32_t>* values,
               const wchar_t* path) {
    wchar_t text[256] = {};
    std::swprintf(text, std::size(text), L"%d,%d,%d,%d,%d,%d,%d,%d", static_cast<int>(values[0]),
                  static_cast<int>(values[1]), static_cast<int>(values[2]), static_cast<int>(values[3]),
                  static_cast<int>(values[4]), static_cast<int>(values[5]), static_cast<int>(values[6]),
                  static_cast<int>(values[7]));
    return profileWriteString(section, key, text, path);
}

bool saveKey(const SettingKey& key, const wchar_t* path) {
    switch (key.kind) {
    case SettingKind::Text:
        return profileWriteString(key.section, key.name, key.text, path);
    case SettingKind::Number:
        return tryWriteSettingInt(key.section, key.name, key.number ? *key.number : key.sharedNumber->load(),
                                  path);
    case SettingKind::List:
        return writeList(key.section, key.name, key.sharedNumber, path);
    }
    return false;
}

// The file cut to its mark and every key written into it, where it is.
bool rewriteInPlace(const wchar_t* path) {
    return tryResetSettingsFile(path) && trySaveSettings(path);
}

// Settings the last save wrote beside the file and could not put in place.
std::wstring keptBeside;

}  // namespace

bool trySaveSettings(const wchar_t* path) {
    // Every write is tried, even after one has failed.
    bool ok = true;
    for (const SettingKey& key : settingKeys())
        if (key.saved) ok &= saveKey(key, path);
    return ok;
}

int saveSettings(const wchar_t* path) {
    trySaveSettings(path);
    return 1;
}

int writeSettingsFile(const wchar_t* path) {
    keptBeside.clear();
    if (!path || !*path) return 0;
    // A link is written through where it leads; a rename would put a plain
    // file in its place.
    if (isLinkedFile(path)) return rewriteInPlace(path) ? 1 : 0;
    const std::wstring temporary = std::wstring(path) + L".new";
    const bool hadFile = isPlainFile(path);
    bool written = false;
    if (tryResetSettingsFile(temporary.c_str())) {
        written = trySaveSettings(temporary.c_str());
        if (written && replaceFile(temporary.c_str(), path)) return 1;
        // A new file that could not be filled (a full disk) says the old
        // one would not be either: it is kept as it is.
        if (!written) {
            removeFile(temporary.c_str());
            return 0;
        }
    }
    // No file can be made beside it (a folder that lets only the file itself
    // be rewritten, a read-only leftover of a save), or the file could not be
    // replaced (another program holds it open without sharing its deletion).
    const bool cut = tryResetSettingsFile(path);
    if (cut && trySaveSettings(path)) {
        if (written) removeFile(temporary.c_str());
        return 1;
    }
    // A replace that fails half-way removes the old file, and a rewrite
    // that fails half-way cuts it short: the new file is then the only whole
    // copy of the settings, and stays where it is.
    if (written && hadFile && (cut || !isPlainFile(path))) {
        keptBeside = temporary;
    } else if (written) {
        removeFile(temporary.c_str());
    }
    return 0;
}

std::wstring settingsKeptBeside() {
    return keptBeside;
}
