// The decoding every platform shares: UTF-16 by hand, the Latin-1
// fallback, and UTF-8 for output.
#include "midi/text_decoding.h"

namespace {

constexpr char32_t replacementCharacter = 0xFFFD;

std::wstring decodeUtf16(std::span<const uint8_t> bytes, bool bigEndian) {
    std::wstring text;
    size_t unitCount = bytes.size() / 2;
    auto unitAt = [&](size_t i) -> char32_t {
        uint8_t first = bytes[2 * i];
        uint8_t second = bytes[2 * i + 1];
        return bigEndian ? (char32_t{first} << 8) | second : (char32_t{second} << 8) | first;
    };
    for (size_t i = 0; i < unitCount; ++i) {
        char32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < unitCount) {
            char32_t low = unitAt(i + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                appendCodePoint(text, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        bool loneSurrogate = unit >= 0xD800 && unit <= 0xDFFF;
        appendCodePoint(text, loneSurrogate ? replacementCharacter : unit);
    }
    if (bytes.size() % 2 != 0) appendCodePoint(text, replacementCharacter);
    return text;
}

std::wstring decodeLatin1(std::span<const uint8_t> bytes) {
    return std::wstring(bytes.begin(), bytes.end());
}


void appendUtf8(std::string& out, char32_t c) {
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

}  // namespace

void appendCodePoint(std::wstring& text, char32_t codePoint) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (codePoint >= 0x10000) {
            codePoint -= 0x10000;
            text.push_back(static_cast<wchar_t>(0xD800 + (codePoint >> 10)));
            text.push_back(static_cast<wchar_t>(0xDC00 + (codePoint & 0x3FF)));
            return;
        }
    }
    text.push_back(static_cast<wchar_t>(codePoint));
}

std::wstring decodeText(std::span<const uint8_t> bytes, int32_t codePage) {
    if (codePage == 1200) return decodeUtf16(bytes, false);
    if (codePage == 1201) return decodeUtf16(bytes, true);
    std::wstring text;
    if (decodeWithPlatform(bytes, codePage, text)) return text;
    return decodeLatin1(bytes);
}

std::string wideToUtf8(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<char32_t>(text[i]);
        if (sizeof(wchar_t) == 2) c &= 0xFFFF;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
            auto low = static_cast<char32_t>(text[i + 1]) & 0xFFFF;
            if (low >= 0xDC00 && low <= 0xDFFF) {
                appendUtf8(out, 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = 0xFFFD;
        appendUtf8(out, c);
    }
    return out;
}
