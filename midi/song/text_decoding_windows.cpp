// Song texts decoded by Windows itself.
#include <windows.h>

#include <climits>

#include "midi/song/text_decoding.h"

bool decodeWithPlatform(std::span<const uint8_t> bytes, int32_t codePage, std::wstring& text) {
    // 0 to 3 and 42 are Windows' aliases for "whatever this machine uses";
    // they are not real code pages and would make a song read differently
    // from one machine to the next.
    if (codePage <= 3 || codePage == 42) return false;
    if (bytes.empty()) return IsValidCodePage(static_cast<UINT>(codePage)) != 0;
    if (bytes.size() > INT_MAX) return false;
    auto source = reinterpret_cast<const char*>(bytes.data());
    int sourceLength = static_cast<int>(bytes.size());
    int length = MultiByteToWideChar(static_cast<UINT>(codePage), 0, source, sourceLength, nullptr, 0);
    if (length <= 0) return false;
    text.resize(static_cast<size_t>(length));
    length = MultiByteToWideChar(static_cast<UINT>(codePage), 0, source, sourceLength, text.data(), length);
    if (length <= 0) return false;
    text.resize(static_cast<size_t>(length));
    return true;
}
