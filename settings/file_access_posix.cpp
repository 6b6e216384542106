#include "settings/file_access.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

// Wide text as UTF-8. Each wchar_t is taken as a code point, and a pair of
// UTF-16 surrogates stored in two wchar_t as the one code point they stand
// for; a lone surrogate or a value past U+10FFFF becomes U+FFFD.
std::string utf8FromWide(const wchar_t* text) {
    std::string out;
    for (const wchar_t* p = text; *p; ++p) {
        char32_t c = static_cast<char32_t>(*p);
        if (c >= 0xD800 && c <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(p[1]) - 0xDC00);
            ++p;
        } else if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace

FILE* openFile(const wchar_t* path, const char* mode) {
    if (!path || !mode) return nullptr;
    return std::fopen(utf8FromWide(path).c_str(), mode);
}

bool replaceFile(const wchar_t* from, const wchar_t* to) {
    if (!from || !to) return false;
    return std::rename(utf8FromWide(from).c_str(), utf8FromWide(to).c_str()) == 0;
}

bool removeFile(const wchar_t* path) {
    return path && unlink(utf8FromWide(path).c_str()) == 0;
}

bool fileExists(const wchar_t* path) {
    struct stat status;
    return path && stat(utf8FromWide(path).c_str(), &status) == 0;
}
