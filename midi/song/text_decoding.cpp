// The decoding every platform shares: UTF-16 by hand and the Latin-1
// fallback.
#include "midi/song/text_decoding.h"

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
