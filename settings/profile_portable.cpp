// Our own profile functions, for platforms without the Windows ones. They
// cover what this program asks of GetPrivateProfileIntW,
// GetPrivateProfileStringW and WritePrivateProfileStringW:
//
// - Encoding: FF FE is UTF-16LE, FE FF UTF-16BE, EF BB BF UTF-8 (the mark
//   stays on a rewrite); anything else is 8-bit text, one character per byte,
//   written back the same way with "?" for a character above 0xFF. A missing
//   file is created as 8-bit text, as Windows does.
// - Lines end in LF, CR LF or a lone CR; every line is written back with CR LF.
// - Blanks around a line are ignored. "[name]" opens a section (text after
//   the last "]" is ignored); "name=value" is a key, with blanks around the
//   name and the value ignored; other lines (";" comments among them) are
//   kept but never match. Section and key names match whatever the letter
//   case of their ASCII letters. Only the first section of a name is used.
// - Reading a string: a value enclosed in a pair of the same quote (' or ")
//   loses the pair; a missing key gives the default less its trailing blanks.
// - Reading an integer: an empty value or a missing key gives the default;
//   otherwise leading blanks, an optional sign and the decimal digits up to
//   the first other character make the number (no digits is 0; more than 32
//   bits wrap around).
// - Writing: an existing key's line becomes its name as spelt there, "=" and
//   the new value; a missing key goes after the last non-blank line of its
//   section; a missing section is added at the end of the file. A null
//   section, key or value is refused (Windows would delete something; this
//   program never asks for that).
#include "settings/profile.h"

#include "common/bounded_copy.h"
#include "common/utf8.h"
#include "common/file_access.h"
#include "settings/settings_text.h"

#include <cstdio>
#include <cwchar>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct ProfileFile {
    FileEncoding encoding = FileEncoding::EightBit;
    std::vector<std::wstring> lines;  // without their line ends
};

bool isBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f';
}

std::wstring_view trim(std::wstring_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

wchar_t foldAscii(wchar_t c) {
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

bool sameName(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (foldAscii(a[i]) != foldAscii(b[i])) return false;
    return true;
}

// The section name of a header line, false for any other line.
bool parseHeader(const std::wstring& line, std::wstring_view& name) {
    std::wstring_view text = trim(line);
    if (text.empty() || text.front() != L'[') return false;
    size_t close = text.rfind(L']');
    if (close == std::wstring_view::npos || close == 0) return false;
    name = text.substr(1, close - 1);
    return true;
}

// Name and value of a key line, false for any other line.
bool parseKey(const std::wstring& line, std::wstring_view& name, std::wstring_view& value) {
    std::wstring_view text = trim(line);
    if (text.empty() || text.front() == L';' || text.front() == L'[') return false;
    size_t equals = text.find(L'=');
    if (equals == std::wstring_view::npos) return false;
    name = trim(text.substr(0, equals));
    value = trim(text.substr(equals + 1));
    return true;
}

enum class LoadResult { Loaded, Missing, Unreadable };

// `profile` is empty unless the whole file was read.
LoadResult loadProfile(const wchar_t* path, ProfileFile& profile) {
    profile = ProfileFile{};
    FILE* file = openFile(path, "rb");
    if (!file) return fileExists(path) ? LoadResult::Unreadable : LoadResult::Missing;
    uint8_t head[3] = {};
    size_t headLength = std::fread(head, 1, sizeof head, file);
    size_t markLength = 0;
    profile.encoding = detectFileEncoding(head, headLength, &markLength);
    if (std::fseek(file, static_cast<long>(markLength), SEEK_SET) != 0) {
        std::fclose(file);
        return LoadResult::Unreadable;
    }
    SettingsTextReader reader(file, profile.encoding);
    std::wstring piece;
    std::wstring line;
    bool lineOpen = false;
    while (reader.readPiece(piece, 4096)) {
        for (wchar_t c : piece) {
            if (c == L'\n' || c == L'\r') {
                profile.lines.push_back(line);
                line.clear();
                lineOpen = false;
            } else {
                line += c;
                lineOpen = true;
            }
        }
    }
    if (lineOpen) profile.lines.push_back(line);
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        profile = ProfileFile{};
        return LoadResult::Unreadable;
    }
    return LoadResult::Loaded;
}

void appendUnit(std::string& out, FileEncoding encoding, uint32_t unit) {
    switch (encoding) {
    case FileEncoding::Utf16Le:
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>(unit >> 8);
        break;
    case FileEncoding::Utf16Be:
        out += static_cast<char>(unit >> 8);
        out += static_cast<char>(unit & 0xFF);
        break;
    default:
        out += static_cast<char>(unit <= 0xFF ? unit : '?');
        break;
    }
}

void appendCodePoint(std::string& out, FileEncoding encoding, char32_t c) {
    if (encoding == FileEncoding::Utf8) {
        appendUtf8(out, c);
    } else if (c >= 0x10000 && encoding != FileEncoding::EightBit) {
        appendUnit(out, encoding, 0xD800 + ((c - 0x10000) >> 10));
        appendUnit(out, encoding, 0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
        appendUnit(out, encoding, c);
    }
}

// The text in the file's encoding. Surrogate pairs (as UTF-16 code units in
// wchar_t) are joined first, so UTF-8 gets whole characters; UTF-16 keeps a
// lone surrogate as it stands.
void appendText(std::string& out, FileEncoding encoding, const std::wstring& text) {
    for (size_t i = 0; i < text.size();) {
        char32_t c = takeCodePoint(text, i);
        if (c > 0x10FFFF || (isSurrogate(c) && encoding == FileEncoding::Utf8)) c = 0xFFFD;
        appendCodePoint(out, encoding, c);
    }
}

bool saveProfile(const wchar_t* path, const ProfileFile& profile) {
    std::string bytes;
    switch (profile.encoding) {
    case FileEncoding::Utf16Le: bytes = "\xFF\xFE"; break;
    case FileEncoding::Utf16Be: bytes = "\xFE\xFF"; break;
    case FileEncoding::Utf8: bytes = "\xEF\xBB\xBF"; break;
    case FileEncoding::EightBit: break;
    }
    for (const std::wstring& line : profile.lines) {
        appendText(bytes, profile.encoding, line);
        appendText(bytes, profile.encoding, L"\r\n");
    }
    FILE* file = openFile(path, "wb");
    if (!file) return false;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    bool closed = std::fclose(file) == 0;
    return written && closed;
}

// Lines [first, end) of the first section named `section`; false when the
// file has no such section.
bool findSection(const ProfileFile& profile, std::wstring_view section, size_t& first, size_t& end) {
    std::wstring_view name;
    for (size_t i = 0; i < profile.lines.size(); ++i) {
        if (!parseHeader(profile.lines[i], name) || !sameName(name, section)) continue;
        first = i + 1;
        end = first;
        while (end < profile.lines.size() && !parseHeader(profile.lines[end], name)) ++end;
        return true;
    }
    return false;
}

// Index of the key's line in lines [first, end), or `end`.
size_t findKey(const ProfileFile& profile, size_t first, size_t end, std::wstring_view key) {
    std::wstring_view name, value;
    for (size_t i = first; i < end; ++i)
        if (parseKey(profile.lines[i], name, value) && sameName(name, key)) return i;
    return end;
}

uint32_t copyCut(wchar_t* buffer, uint32_t size, std::wstring_view text) {
    return static_cast<uint32_t>(copyTruncated(buffer, size, text));
}

}  // namespace

uint32_t profileReadString(const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue,
                           wchar_t* buffer, uint32_t size, const wchar_t* path) {
    if (!buffer || size == 0) return 0;
    ProfileFile profile;
    size_t first = 0, end = 0;
    if (section && key && loadProfile(path, profile) == LoadResult::Loaded && findSection(profile, section, first, end)) {
        size_t line = findKey(profile, first, end, key);
        std::wstring_view name, value;
        if (line < end && parseKey(profile.lines[line], name, value)) {
            if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') &&
                value.back() == value.front())
                value = value.substr(1, value.size() - 2);
            return copyCut(buffer, size, value);
        }
    }
    std::wstring_view fallback = defaultValue ? defaultValue : L"";
    while (!fallback.empty() && fallback.back() == L' ') fallback.remove_suffix(1);
    return copyCut(buffer, size, fallback);
}

int32_t profileReadInt(const wchar_t* section, const wchar_t* key, int32_t defaultValue, const wchar_t* path) {
    wchar_t text[256];
    if (profileReadString(section, key, L"", text, 256, path) == 0) return defaultValue;
    const wchar_t* p = text;
    while (*p != L'\0' && *p <= L' ') ++p;
    bool negative = false;
    if (*p == L'+' || *p == L'-') negative = *p++ == L'-';
    uint32_t total = 0;
    for (; *p >= L'0' && *p <= L'9'; ++p) total = total * 10u + static_cast<uint32_t>(*p - L'0');
    if (negative) total = 0u - total;
    return static_cast<int32_t>(total);
}

bool profileWriteString(const wchar_t* section, const wchar_t* key, const wchar_t* value, const wchar_t* path) {
    if (!section || !key || !value || !path) return false;
    ProfileFile profile;
    // Rewriting a file that could not be read whole would lose the rest of it.
    if (loadProfile(path, profile) == LoadResult::Unreadable) return false;
    std::wstring keyLine = std::wstring(key) + L"=" + value;
    size_t first = 0, end = 0;
    if (!findSection(profile, section, first, end)) {
        profile.lines.push_back(L"[" + std::wstring(section) + L"]");
        profile.lines.push_back(keyLine);
        return saveProfile(path, profile);
    }
    size_t line = findKey(profile, first, end, key);
    std::wstring_view oldName, oldValue;
    if (line < end && parseKey(profile.lines[line], oldName, oldValue)) {
        profile.lines[line] = std::wstring(oldName) + L"=" + value;
    } else {
        size_t insertAt = end;
        while (insertAt > first && trim(profile.lines[insertAt - 1]).empty()) --insertAt;
        profile.lines.insert(profile.lines.begin() + static_cast<std::ptrdiff_t>(insertAt), keyLine);
    }
    return saveProfile(path, profile);
}
