#include "midi/ports/port_queue.h"

#include <cstring>

bool PortQueue::push(const uint8_t* message, int32_t length, int64_t receivedAt) {
    if (message == nullptr || length < 1 || length > kMIDIMessageMax) {
        countDrop();
        return false;
    }
    const uint32_t tail = tail_.load(std::memory_order_relaxed);
    const uint32_t head = head_.load(std::memory_order_acquire);
    if (tail - head >= kCapacity) {
        countDrop();
        return false;
    }
    Slot& slot = slots_[tail % kCapacity];
    std::memcpy(slot.bytes, message, static_cast<size_t>(length));
    slot.length = length;
    slot.receivedAt = receivedAt;
    // Publishes the slot's contents together with the new tail.
    tail_.store(tail + 1, std::memory_order_release);
    return true;
}

int32_t PortQueue::pop(uint8_t* buffer, int32_t size, int64_t* receivedAt) {
    if (buffer == nullptr || size < 1) return 0;
    uint32_t head = head_.load(std::memory_order_relaxed);
    const uint32_t tail = tail_.load(std::memory_order_acquire);
    while (head != tail) {
        const Slot& slot = slots_[head % kCapacity];
        const int32_t length = slot.length;
        const bool fits = length <= size;
        if (fits) {
            std::memcpy(buffer, slot.bytes, static_cast<size_t>(length));
            if (receivedAt != nullptr) *receivedAt = slot.receivedAt;
        }
        // Hands the slot back to the producer only after it has been read.
        head_.store(++head, std::memory_order_release);
        if (fits) return length;
        countDrop();
    }
    return 0;
}

void PortQueue::clear() {
    head_.store(tail_.load(std::memory_order_acquire), std::memory_order_release);
}
