// Song texts decoded with iconv where Windows' own decoder is absent.
#include <iconv.h>

#include <cerrno>
#include <string>
#include <vector>

#include "midi/song/text_decoding.h"

namespace {

std::string iconvName(int32_t codePage) {
    if (codePage == 65001) return "UTF-8";
    if (codePage <= 3 || codePage == 42) return {};  // Windows' machine-dependent aliases
    return "CP" + std::to_string(codePage);
}

}  // namespace

bool decodeWithPlatform(std::span<const uint8_t> bytes, int32_t codePage, std::wstring& text) {
    std::string name = iconvName(codePage);
    if (name.empty()) return false;
    iconv_t converter = iconv_open("WCHAR_T", name.c_str());
    if (converter == reinterpret_cast<iconv_t>(-1)) return false;

    text.clear();
    char* input = const_cast<char*>(reinterpret_cast<const char*>(bytes.data()));
    size_t inputLeft = bytes.size();
    std::vector<wchar_t> buffer(256);
    for (;;) {
        char* output = reinterpret_cast<char*>(buffer.data());
        size_t outputLeft = buffer.size() * sizeof(wchar_t);
        // With the input used up, a call with no input flushes whatever a
        // stateful decoder still holds back.
        bool flushing = inputLeft == 0;
        size_t result = flushing ? iconv(converter, nullptr, nullptr, &output, &outputLeft)
                                 : iconv(converter, &input, &inputLeft, &output, &outputLeft);
        int error = errno;
        text.append(buffer.data(), buffer.size() - outputLeft / sizeof(wchar_t));
        if (result != static_cast<size_t>(-1)) {
            if (flushing) break;
            continue;
        }
        if (error == E2BIG) continue;
        if (flushing) break;
        // An invalid or cut-off sequence: mark it and go on after its first byte.
        appendCodePoint(text, 0xFFFD);
        ++input;
        --inputLeft;
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(converter);
    return true;
}
