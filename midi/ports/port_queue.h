// The bounded queue between a port's receiver (the driver callback, or a
// test injecting into a virtual input) and the reader of MIDIIn_GetMIDIMessage.
//
// One producer and one consumer at a time, without locks: each message sits
// in a fixed slot, so nothing is allocated per message. When the queue is
// full a new message is dropped and counted; a queued message is never
// overwritten.
#pragma once

#include <atomic>
#include <cstdint>

#include "midi/ports/midi_io.h"

class PortQueue {
public:
    static constexpr uint32_t kCapacity = 1024;  // messages

    // Producer side. False (and counted) when the queue is full or the
    // message is empty or longer than kMIDIMessageMax. `receivedAt` travels
    // with the message (steady-clock nanoseconds, or kMIDIInNoTime).
    bool push(const uint8_t* message, int32_t length, int64_t receivedAt = kMIDIInNoTime);
    void countDrop() { dropped_.fetch_add(1, std::memory_order_relaxed); }

    // Consumer side: copies the oldest message into `buffer` and returns its
    // length, 0 when the queue is empty. A message longer than `size` is
    // dropped and counted, and the next one is tried. `receivedAt` (may be
    // null) gets the time pushed with the message.
    int32_t pop(uint8_t* buffer, int32_t size, int64_t* receivedAt = nullptr);
    // Consumer side: forgets every queued message.
    void clear();

    int64_t dropped() const { return dropped_.load(std::memory_order_relaxed); }

private:
    struct Slot {
        int64_t receivedAt;
        int32_t length;
        uint8_t bytes[kMIDIMessageMax];
    };
    static_assert((kCapacity & (kCapacity - 1)) == 0, "capacity is a power of two");

    Slot slots_[kCapacity] = {};
    std::atomic<uint32_t> head_{0};  // next slot to read; written by the consumer
    std::atomic<uint32_t> tail_{0};  // next slot to write; written by the producer
    std::atomic<int64_t> dropped_{0};
};
