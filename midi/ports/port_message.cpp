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

void SysExAssembler::drop(PortQueue& queue) {
    queue.countDrop();
    state_ = State::Skipping;
    length_ = 0;
}

void SysExAssembler::lostPiece(PortQueue& queue) {
    if (state_ != State::Skipping) drop(queue);
}

bool SysExAssembler::feed(const uint8_t* data, int32_t length, PortQueue& queue, int64_t receivedAt) {
    const int64_t dropsBefore = queue.dropped();
    for (int32_t i = 0; i < length; ++i) {
        const uint8_t byte = data[i];
        if (byte >= kTimingClock) {
            // Real-time bytes may fall between any two bytes on the wire.
            queue.push(&byte, 1, receivedAt);
        } else if (byte == kSystemExclusive) {
            if (state_ == State::Collecting) queue.countDrop();  // cut short by the next one
            state_ = State::Collecting;
            bytes_[0] = byte;
            length_ = 1;
            startedAt_ = receivedAt;
        } else if (state_ == State::Skipping) {
            if (byte == kEndOfExclusive) state_ = State::Idle;
        } else if (state_ == State::Idle || (isStatusByte(byte) && byte != kEndOfExclusive)) {
            // Bytes without their beginning, or a message cut short by
            // another status byte.
            drop(queue);
            if (byte == kEndOfExclusive) state_ = State::Idle;
        } else if (length_ == kMIDIMessageMax) {
            // Too long to hand out: dropped whole at its end.
            if (byte == kEndOfExclusive) {
                drop(queue);
                state_ = State::Idle;
            }
        } else {
            bytes_[length_++] = byte;
            if (byte == kEndOfExclusive) {
                queue.push(bytes_, length_, startedAt_);
                state_ = State::Idle;
                length_ = 0;
            }
        }
    }
    return queue.dropped() == dropsBefore;
}
