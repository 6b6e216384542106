// UTF-8 out of wide text. wchar_t holds UTF-16 code units on Windows and
// code points elsewhere; a surrogate pair stored in two wchar_t is joined
// on either, so text that came from UTF-16 keeps its whole characters.
#pragma once

#include <string>
#include <string_view>

// Appends one code point as UTF-8. Surrogates and values past U+10FFFF are
// the caller's to replace first.
inline void appendUtf8(std::string& out, char32_t c) {
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

inline bool isSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// The code point at text[index], a surrogate pair joined, and moves index
// past it. A lone surrogate comes back as it is; so does a wchar_t past
// U+10FFFF (or a negative one, which comes back as a value past it).
inline char32_t takeCodePoint(std::wstring_view text, size_t& index) {
    const char32_t c = static_cast<char32_t>(text[index++]);
    if (c >= 0xD800 && c <= 0xDBFF && index < text.size()) {
        const char32_t low = static_cast<char32_t>(text[index]);
        if (low >= 0xDC00 && low <= 0xDFFF) {
            ++index;
            return 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        }
    }
    return c;
}

// UTF-8 for a wide string; lone surrogates and values past U+10FFFF become
// U+FFFD.
inline std::string wideToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t c = takeCodePoint(text, i);
        if (isSurrogate(c) || c > 0x10FFFF) c = 0xFFFD;
        appendUtf8(out, c);
    }
    return out;
}
