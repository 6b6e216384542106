// The encodings a settings file may arrive in, and a reader that turns the
// file's bytes into UTF-16 code units, one per wchar_t (also where wchar_t is
// 32 bits wide), the way the Windows C runtime's text mode delivers them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

enum class FileEncoding {
    EightBit,   // one character per byte, code equal to the byte value
    Utf8,       // after EF BB BF
    Utf16Le,    // after FF FE
    Utf16Be,    // after FE FF
};

// Tells the encoding from the first bytes of a file (`count` of them, missing
// ones counting as 0), and how many of them are the byte-order mark.
FileEncoding detectFileEncoding(const uint8_t* bytes, size_t count, size_t* markLength);

// True when the bytes from the file's position to its end are valid UTF-8
// and not all ASCII: text saved as UTF-8 without a byte-order mark, as
// Windows' own editors save it by default. Leaves the position at the end.
bool holdsUtf8WithoutMark(FILE* file);

// Reads UTF-16 code units from an open file, after its byte-order mark.
// A carriage return followed by a line feed arrives as one line feed.
// UTF-8 is decoded to UTF-16 (a character beyond U+FFFF as two surrogates,
// each malformed byte as U+FFFD); a last odd byte of UTF-16 text is dropped.
class SettingsTextReader {
public:
    SettingsTextReader(FILE* file, FileEncoding encoding) : file_(file), encoding_(encoding) {}

    // Reads the next piece of a line, at most `maxLength` units, ending with
    // the line feed that ends the line when it fits. False at the end of the
    // file with nothing read.
    bool readPiece(std::wstring& piece, size_t maxLength);

private:
    int nextByte();
    // Next decoded unit before line-end translation; -1 at the end.
    long nextRawUnit();
    long nextUtf8Unit();
    long nextUnit();

    FILE* file_;
    FileEncoding encoding_;
    uint8_t buffer_[4096] = {};
    size_t bufferLength_ = 0;
    size_t bufferPosition_ = 0;
    int pendingByte_ = -1;     // a byte read ahead by the UTF-8 decoder
    long pendingUnit_ = -1;    // a unit read ahead (low surrogate or after a CR)
    long lookahead_ = -1;      // a unit read ahead by the line-end translation
    bool hasLookahead_ = false;
};
