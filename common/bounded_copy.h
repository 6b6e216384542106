// Copying text into a fixed wide buffer: every copy of the program keeps
// at most the buffer's size less one characters and terminates them.
#pragma once

#include <cstddef>
#include <string_view>

// Copies at most `size` - 1 characters of `text` into `buffer` and ends
// them with L'\0'; returns the characters copied. Nothing is written for a
// null buffer or a size of 0.
inline size_t copyTruncated(wchar_t* buffer, size_t size, std::wstring_view text) {
    if (buffer == nullptr || size == 0) return 0;
    const size_t count = text.size() < size - 1 ? text.size() : size - 1;
    text.copy(buffer, count);
    buffer[count] = L'\0';
    return count;
}

template <size_t N>
size_t copyTruncated(wchar_t (&buffer)[N], std::wstring_view text) {
    return copyTruncated(buffer, N, text);
}
