#include "midi/ports/port_message.h"

#include "midi/midi_bytes.h"
#include "midi/ports/port_queue.h"

int32_t shortMessageLength(uint8_t status) {
    const int32_t dataLength = midiDataLength(status);
    return dataLength < 0 ? 0 : 1 + dataLength;
}

int32_t unpackShortMessage(uint32_t packed, uint8_t bytes[3]) {
    bytes[0] = static_cast<uint8_t>(packed & 0xFF);
    bytes[1] = static_cast<uint8_t>((packed >> 8) & 0xFF);
    bytes[2] = static_cast<uint8_t>((packed >> 16) & 0xFF);
    return shortMessageLength(bytes[0]);
}

uint32_t packShortMessage(const uint8_t* message, int32_t length) {
    uint32_t packed = 0;
    for (int32_t i = 0; i < length && i < 3; ++i) packed |= static_cast<uint32_t>(message[i]) << (8 * i);
    return packed;
}

bool isSendableMessage(const uint8_t* message, int32_t length) {
    if (message == nullptr || length < 1 || !isStatusByte(message[0])) return false;
    if (message[0] == kSystemExclusive) return length >= 2;
    if (length != shortMessageLength(message[0])) return false;
    for (int32_t i = 1; i < length; ++i) {
        if (isStatusByte(message[i])) return false;
    }
    return true;
}

bool SysExAssembler::feed(const uint8_t* data, int32_t length, PortQueue& queue) {
    bool droppedNothing = true;
    for (int32_t i = 0; i < length; ++i) {
        const uint8_t byte = data[i];
        if (byte == kSystemExclusive) {
            if (active_) {
                // A new message cut the previous one short.
                queue.countDrop();
                droppedNothing = false;
            }
            active_ = true;
            overflowed_ = false;
            length_ = 0;
        } else if (!active_) {
            // Bytes outside a message: the driver lost its beginning.
            queue.countDrop();
            return false;
        }
        if (length_ < kMIDIMessageMax) {
            bytes_[length_++] = byte;
        } else {
            overflowed_ = true;
        }
        if (byte == kEndOfExclusive) {
            active_ = false;
            if (overflowed_ || !queue.push(bytes_, length_)) {
                if (overflowed_) queue.countDrop();
                droppedNothing = false;
            }
            length_ = 0;
            overflowed_ = false;
        }
    }
    return droppedNothing;
}
