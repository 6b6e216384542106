// Decoding of song texts (track names, copyright, text events) from the
// code page the user chose: Windows code page numbers, with 1200 and 1201
// for UTF-16 little and big endian and 65001 for UTF-8.
#pragma once

#include <cstdint>
#include <span>
#include <string>

// Never fails: a code page this machine cannot decode falls back to
// Latin-1, one character per byte, and undecodable bytes become U+FFFD.
std::wstring decodeText(std::span<const uint8_t> bytes, int32_t codePage);

// Appends a code point to a wide string: as a surrogate pair where wchar_t
// is 16 bits (Windows), as one unit where it is 32 bits.
void appendCodePoint(std::wstring& text, char32_t codePoint);

// The platform's own decoder (MultiByteToWideChar on Windows, iconv
// elsewhere); false when it does not know the code page.
bool decodeWithPlatform(std::span<const uint8_t> bytes, int32_t codePage, std::wstring& text);
