#include "settings/settings_text.h"

FileEncoding detectFileEncoding(const uint8_t* bytes, size_t count, size_t* markLength) {
    uint8_t b[3] = {};
    for (size_t i = 0; i < count && i < 3; ++i) b[i] = bytes[i];
    FileEncoding encoding = FileEncoding::EightBit;
    size_t mark = 0;
    if (b[0] == 0xFF && b[1] == 0xFE) {
        encoding = FileEncoding::Utf16Le;
        mark = 2;
    } else if (b[0] == 0xFE && b[1] == 0xFF) {
        encoding = FileEncoding::Utf16Be;
        mark = 2;
    } else if (b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        encoding = FileEncoding::Utf8;
        mark = 3;
    }
    if (markLength) *markLength = mark;
    return encoding;
}

bool holdsUtf8WithoutMark(FILE* file) {
    uint8_t buffer[4096];
    bool nonAscii = false;
    int trailsLeft = 0;
    // The range the next trail byte must lie in; the first trail after some
    // leads is narrower, which rules out overlong forms, surrogates and code
    // points beyond U+10FFFF.
    uint8_t low = 0x80;
    uint8_t high = 0xBF;
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        for (size_t i = 0; i < count; ++i) {
            const uint8_t byte = buffer[i];
            if (trailsLeft > 0) {
                if (byte < low || byte > high) return false;
                low = 0x80;
                high = 0xBF;
                --trailsLeft;
            } else if (byte >= 0x80) {
                nonAscii = true;
                if (byte >= 0xC2 && byte <= 0xDF) {
                    trailsLeft = 1;
                } else if (byte >= 0xE0 && byte <= 0xEF) {
                    trailsLeft = 2;
                    if (byte == 0xE0) low = 0xA0;
                    if (byte == 0xED) high = 0x9F;
                } else if (byte >= 0xF0 && byte <= 0xF4) {
                    trailsLeft = 3;
                    if (byte == 0xF0) low = 0x90;
                    if (byte == 0xF4) high = 0x8F;
                } else {
                    return false;
                }
            }
        }
    }
    return nonAscii && trailsLeft == 0;
}

int SettingsTextReader::nextByte() {
    if (pendingByte_ >= 0) {
        int byte = pendingByte_;
        pendingByte_ = -1;
        return byte;
    }
    if (bufferPosition_ == bufferLength_) {
        bufferLength_ = file_ ? std::fread(buffer_, 1, sizeof buffer_, file_) : 0;
        bufferPosition_ = 0;
        if (bufferLength_ == 0) return -1;
    }
    return buffer_[bufferPosition_++];
}

long SettingsTextReader::nextUtf8Unit() {
    if (pendingUnit_ >= 0) {
        long unit = pendingUnit_;
        pendingUnit_ = -1;
        return unit;
    }
    int lead = nextByte();
    if (lead < 0) return -1;
    if (lead < 0x80) return lead;

    // Trail bytes to come, the lead's bits, and the smallest code point that
    // needs this many bytes (anything smaller is an overlong form).
    int trailCount;
    char32_t codePoint;
    char32_t minimum;
    if (lead >= 0xC2 && lead <= 0xDF) {
        trailCount = 1;
        codePoint = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        trailCount = 2;
        codePoint = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        trailCount = 3;
        codePoint = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0xFFFD;
    }
    for (int i = 0; i < trailCount; ++i) {
        int trail = nextByte();
        if (trail < 0x80 || trail > 0xBF) {
            // The sequence is cut short; the byte that broke it starts afresh.
            pendingByte_ = trail;
            return 0xFFFD;
        }
        codePoint = (codePoint << 6) | static_cast<char32_t>(trail & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0xFFFD;
    if (codePoint < 0x10000) return static_cast<long>(codePoint);
    codePoint -= 0x10000;
    pendingUnit_ = static_cast<long>(0xDC00 + (codePoint & 0x3FF));
    return static_cast<long>(0xD800 + (codePoint >> 10));
}

long SettingsTextReader::nextRawUnit() {
    switch (encoding_) {
    case FileEncoding::EightBit:
        return nextByte();
    case FileEncoding::Utf8:
        return nextUtf8Unit();
    case FileEncoding::Utf16Le:
    case FileEncoding::Utf16Be: {
        int first = nextByte();
        int second = nextByte();
        if (first < 0 || second < 0) return -1;
        return encoding_ == FileEncoding::Utf16Le ? (second << 8) | first : (first << 8) | second;
    }
    }
    return -1;
}

long SettingsTextReader::nextUnit() {
    long unit;
    if (hasLookahead_) {
        hasLookahead_ = false;
        unit = lookahead_;
    } else {
        unit = nextRawUnit();
    }
    if (unit != L'\r') return unit;
    long following = nextRawUnit();
    if (following == L'\n') return L'\n';
    lookahead_ = following;
    hasLookahead_ = true;
    return unit;
}

bool SettingsTextReader::readPiece(std::wstring& piece, size_t maxLength) {
    piece.clear();
    while (piece.size() < maxLength) {
        long unit = nextUnit();
        if (unit < 0) break;
        piece += static_cast<wchar_t>(unit);
        if (unit == L'\n') break;
    }
    return !piece.empty();
}
