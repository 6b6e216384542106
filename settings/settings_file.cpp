#include "settings/settings_file.h"

#include "common/bounded_copy.h"
#include "common/file_access.h"
#include "settings/profile.h"
#include "settings/settings_text.h"

#include <cstdio>
#include <cwchar>
#include <iterator>
#include <string>

namespace {

// Clears all `size` characters of `buffer` and copies at most `size` - 1 of
// `text` into it.
uint32_t copyCut(wchar_t* buffer, uint32_t size, const wchar_t* text, size_t length) {
    std::wmemset(buffer, L'\0', size);
    return static_cast<uint32_t>(copyTruncated(buffer, size, std::wstring_view(text, length)));
}

bool startsWith(const std::wstring& line, const std::wstring& prefix) {
    return line.compare(0, prefix.size(), prefix) == 0;
}

// The line as a C string: text after a NUL character is not seen.
void cutAtNul(std::wstring& line) {
    size_t nul = line.find(L'\0');
    if (nul != std::wstring::npos) line.resize(nul);
}

// One line end, whichever it is.
void removeLineEnd(std::wstring& line) {
    if (line.size() >= 2 && line[line.size() - 2] == L'\r' && line.back() == L'\n')
        line.resize(line.size() - 2);
    else if (!line.empty() && (line.back() == L'\r' || line.back() == L'\n'))
        line.pop_back();
}

}  // namespace

uint32_t readSettingString(const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue,
                           wchar_t* buffer, uint32_t size, const wchar_t* path) {
    // Without room for the terminator nothing can be stored at all.
    if (!buffer || size == 0) return 0;
    if (!defaultValue) defaultValue = L"";
    uint32_t count = copyCut(buffer, size, defaultValue, std::wcslen(defaultValue));
    if (!path || !section || !key) return count;

    FILE* file = openFile(path, "rb");
    if (!file) return count;
    uint8_t head[4] = {};
    size_t headLength = std::fread(head, 1, sizeof head, file);
    size_t markLength = 0;
    FileEncoding encoding = detectFileEncoding(head, headLength, &markLength);
    // Without a mark, bytes that are valid UTF-8 and not all ASCII are UTF-8
    // (a file saved by Notepad); anything else stays 8-bit text.
    if (encoding == FileEncoding::EightBit && std::fseek(file, 0, SEEK_SET) == 0 && holdsUtf8WithoutMark(file))
        encoding = FileEncoding::Utf8;
    // A big-endian file is not read at all: every key keeps its default.
    if (encoding == FileEncoding::Utf16Be || std::fseek(file, static_cast<long>(markLength), SEEK_SET) != 0) {
        std::fclose(file);
        return count;
    }

    const std::wstring header = L"[" + std::wstring(section) + L"]";
    const std::wstring keyPrefix = std::wstring(key) + L"=";

    SettingsTextReader reader(file, encoding);
    std::wstring line;
    bool inSection = false;
    while (reader.readPiece(line, kSettingsPieceLength)) {
        cutAtNul(line);
        if (!line.empty() && line[0] == L'[') {
            inSection = startsWith(line, header);
            continue;
        }
        if (!inSection || !startsWith(line, keyPrefix)) continue;
        removeLineEnd(line);
        count = copyCut(buffer, size, line.c_str() + keyPrefix.size(), line.size() - keyPrefix.size());
        break;
    }
    std::fclose(file);
    return count;
}

bool tryWriteSettingInt(const wchar_t* section, const wchar_t* key, int32_t value, const wchar_t* path) {
    wchar_t text[256] = {};
    std::swprintf(text, std::size(text), L"%d", static_cast<int>(value));
    return profileWriteString(section, key, text, path);
}

void writeSettingInt(const wchar_t* section, const wchar_t* key, int32_t value, const wchar_t* path) {
    tryWriteSettingInt(section, key, value, path);
}

bool tryResetSettingsFile(const wchar_t* path) {
    FILE* file = openFile(path, "wb");
    if (!file) return false;
    static const uint8_t kMark[2] = {0xFF, 0xFE};
    bool written = std::fwrite(kMark, 1, sizeof kMark, file) == sizeof kMark;
    // The mark only counts once it is really in the file.
    bool closed = std::fclose(file) == 0;
    return written && closed;
}

void resetSettingsFile(const wchar_t* path) {
    tryResetSettingsFile(path);
}
