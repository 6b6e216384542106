// A read position over a span of untrusted bytes. Every read is bounded by
// what remains and reports failure by its return value; a failed read leaves
// the position where it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

class ByteCursor {
public:
    explicit ByteCursor(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    size_t remaining() const { return bytes_.size() - position_; }
    bool atEnd() const { return position_ == bytes_.size(); }
    size_t position() const { return position_; }

    std::optional<uint8_t> peekByte() const {
        if (atEnd()) return std::nullopt;
        return bytes_[position_];
    }

    std::optional<uint8_t> readByte() {
        if (atEnd()) return std::nullopt;
        return bytes_[position_++];
    }

    std::optional<uint16_t> readUint16BigEndian() {
        auto span = readBytes(2);
        if (!span) return std::nullopt;
        return static_cast<uint16_t>(((*span)[0] << 8) | (*span)[1]);
    }

    std::optional<uint32_t> readUint32BigEndian() {
        auto span = readBytes(4);
        if (!span) return std::nullopt;
        return (uint32_t{(*span)[0]} << 24) | (uint32_t{(*span)[1]} << 16) |
               (uint32_t{(*span)[2]} << 8) | uint32_t{(*span)[3]};
    }

    // A variable-length quantity of the Standard MIDI File: seven bits per
    // byte, high bit set on every byte but the last, at most four bytes.
    std::optional<uint32_t> readVariableLength() {
        uint32_t value = 0;
        for (size_t i = 0; i < 4; ++i) {
            if (position_ + i >= bytes_.size()) return std::nullopt;
            uint8_t byte = bytes_[position_ + i];
            value = (value << 7) | (byte & 0x7Fu);
            if ((byte & 0x80u) == 0) {
                position_ += i + 1;
                return value;
            }
        }
        return std::nullopt;
    }

    std::optional<std::span<const uint8_t>> readBytes(size_t count) {
        if (count > remaining()) return std::nullopt;
        auto span = bytes_.subspan(position_, count);
        position_ += count;
        return span;
    }

    bool skip(size_t count) { return readBytes(count).has_value(); }

private:
    std::span<const uint8_t> bytes_;
    size_t position_ = 0;
};
