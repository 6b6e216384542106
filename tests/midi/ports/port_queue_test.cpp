// The bounded input queue: overflow, oversized reads, and one producer with
// one consumer on two threads.
#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "midi/ports/port_queue.h"

namespace {

TEST(PortQueue, DropsNewMessagesWhenFullAndKeepsTheOldOnes) {
    auto queue = std::make_unique<PortQueue>();
    for (uint32_t i = 0; i < PortQueue::kCapacity + 5; ++i) {
        const uint8_t message[] = {0x90, static_cast<uint8_t>(i & 0x7F), static_cast<uint8_t>((i >> 7) & 0x7F)};
        EXPECT_EQ(queue->push(message, 3), i < PortQueue::kCapacity);
    }
    EXPECT_EQ(queue->dropped(), 5);
    uint8_t buffer[kMIDIMessageMax];
    for (uint32_t i = 0; i < PortQueue::kCapacity; ++i) {
        ASSERT_EQ(queue->pop(buffer, kMIDIMessageMax), 3);
        EXPECT_EQ(buffer[1], i & 0x7F);
        EXPECT_EQ(buffer[2], (i >> 7) & 0x7F);
    }
    EXPECT_EQ(queue->pop(buffer, kMIDIMessageMax), 0);

    // Room again after reading.
    const uint8_t clock = 0xF8;
    EXPECT_TRUE(queue->push(&clock, 1));
    EXPECT_EQ(queue->pop(buffer, kMIDIMessageMax), 1);
}

TEST(PortQueue, RefusesEmptyAndOverlongMessagesAndSkipsWhatDoesNotFit) {
    auto queue = std::make_unique<PortQueue>();
    uint8_t big[kMIDIMessageMax + 1] = {0xF0};
    EXPECT_FALSE(queue->push(big, 0));
    EXPECT_FALSE(queue->push(nullptr, 1));
    EXPECT_FALSE(queue->push(big, kMIDIMessageMax + 1));
    EXPECT_EQ(queue->dropped(), 3);

    const uint8_t noteOn[] = {0x90, 0x3C, 0x40};
    const uint8_t program[] = {0xC0, 0x05};
    queue->push(noteOn, 3);
    queue->push(program, 2);
    uint8_t small[2] = {};
    // Nothing is taken without a buffer to take it into.
    EXPECT_EQ(queue->pop(nullptr, 256), 0);
    // A message that does not fit is dropped; the next one is delivered.
    EXPECT_EQ(queue->pop(small, 2), 2);
    EXPECT_EQ(small[0], 0xC0);
    EXPECT_EQ(queue->dropped(), 4);
}

TEST(PortQueue, OneProducerAndOneConsumerLoseNothingInOrder) {
    auto queue = std::make_unique<PortQueue>();
    constexpr uint32_t kMessages = 200000;
    std::thread producer([&queue] {
        for (uint32_t i = 0; i < kMessages;) {
            // A sysex now and then, so that lengths vary.
            uint8_t message[8] = {0xF0, static_cast<uint8_t>(i & 0x7F), static_cast<uint8_t>((i >> 7) & 0x7F),
                                  static_cast<uint8_t>((i >> 14) & 0x7F), 0x00, 0x00, 0x00, 0xF7};
            const int32_t length = i % 3 == 0 ? 8 : 4;
            if (queue->push(message, length)) {
                ++i;
            } else {
                std::this_thread::yield();
            }
        }
    });
    uint8_t buffer[kMIDIMessageMax];
    uint32_t expected = 0;
    while (expected < kMessages) {
        const int32_t length = queue->pop(buffer, kMIDIMessageMax);
        if (length == 0) {
            std::this_thread::yield();
            continue;
        }
        const uint32_t value = buffer[1] | (buffer[2] << 7) | (buffer[3] << 14);
        ASSERT_EQ(value, expected);
        ASSERT_EQ(length, expected % 3 == 0 ? 8 : 4);
        ++expected;
    }
    producer.join();
    EXPECT_EQ(queue->pop(buffer, kMIDIMessageMax), 0);
}

}  // namespace
