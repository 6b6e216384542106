// Message lengths by status byte, what a port agrees to send, and system
// exclusive put together from pieces.
#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "midi/midi_bytes.h"
#include "midi/ports/port_message.h"
#include "midi/ports/port_queue.h"

namespace {

TEST(PortMessage, LengthFollowsTheStatusByte) {
    struct Case {
        uint8_t status;
        int32_t length;
    };
    const Case cases[] = {
        {0x00, 0}, {0x7F, 0},                          // data bytes
        {0x80, 3}, {0x8F, 3}, {0x99, 3}, {0xA0, 3}, {0xBF, 3},
        {0xC0, 2}, {0xCF, 2}, {0xD0, 2}, {0xDF, 2},    // program change, channel pressure
        {0xE0, 3}, {0xEF, 3},                          // pitch bend
        {0xF0, 0},                                     // ends with its 0xF7
        {0xF1, 2}, {0xF2, 3}, {0xF3, 2},
        {0xF4, 1}, {0xF5, 1}, {0xF6, 1}, {0xF7, 1},
        {0xF8, 1}, {0xF9, 1}, {0xFA, 1}, {0xFB, 1}, {0xFC, 1}, {0xFD, 1}, {0xFE, 1}, {0xFF, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(shortMessageLength(c.status), c.length) << std::hex << int(c.status);
        // The data bytes alone: no fixed count without a status or for 0xF0.
        EXPECT_EQ(midiDataLength(c.status), c.length - 1) << std::hex << int(c.status);
    }
}

TEST(PortMessage, OnlyCompleteWellFormedMessagesAreSendable) {
    struct Case {
        std::vector<uint8_t> bytes;
        bool sendable;
    };
    const Case cases[] = {
        {{0x99, 0x24, 0x64}, true},
        {{0x99, 0x24, 0x00}, true},
        {{0xC9, 0x05}, true},
        {{0xF8}, true},
        {{0xF1, 0x75}, true},
        {{0xF2, 0x14, 0x00}, true},
        {{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}, true},
        {{}, false},
        {{0x24, 0x64}, false},             // running status is not sent
        {{0x99, 0x24}, false},             // too short
        {{0x99, 0x24, 0x64, 0x00}, false}, // too long
        {{0xC9, 0x05, 0x00}, false},
        {{0xF8, 0xF8}, false},
        {{0x99, 0x24, 0x80}, false},       // a status byte where data belongs
        {{0xF0}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isSendableMessage(c.bytes.data(), static_cast<int32_t>(c.bytes.size())), c.sendable)
            << "message of " << c.bytes.size() << " bytes";
    }
    EXPECT_FALSE(isSendableMessage(nullptr, 3));
}

TEST(PortMessage, ShortMessagesPackWithTheStatusInTheLowByte) {
    uint8_t bytes[3];
    EXPECT_EQ(unpackShortMessage(0x00643C99u, bytes), 3);
    EXPECT_EQ(bytes[0], 0x99);
    EXPECT_EQ(bytes[1], 0x3C);
    EXPECT_EQ(bytes[2], 0x64);
    EXPECT_EQ(unpackShortMessage(0x000005C9u, bytes), 2);
    EXPECT_EQ(unpackShortMessage(0x000000F8u, bytes), 1);
    EXPECT_EQ(unpackShortMessage(0x00000040u, bytes), 0);  // no status byte

    const uint8_t noteOn[] = {0x99, 0x3C, 0x64};
    EXPECT_EQ(packShortMessage(noteOn, 3), 0x00643C99u);
    EXPECT_EQ(packShortMessage(noteOn, 1), 0x00000099u);
}

std::vector<uint8_t> popOne(PortQueue& queue) {
    uint8_t buffer[kMIDIMessageMax];
    const int32_t length = queue.pop(buffer, kMIDIMessageMax);
    return std::vector<uint8_t>(buffer, buffer + length);
}

TEST(SysExAssembly, JoinsPiecesAndDropsOverlongMessagesWhole) {
    auto queue = std::make_unique<PortQueue>();
    SysExAssembler sysEx;

    const uint8_t first[] = {0xF0, 0x43, 0x10};
    const uint8_t second[] = {0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7};
    EXPECT_TRUE(sysEx.feed(first, 3, *queue));
    EXPECT_TRUE(sysEx.active());
    EXPECT_EQ(queue->pop(nullptr, 0), 0);
    EXPECT_TRUE(sysEx.feed(second, 6, *queue));
    EXPECT_FALSE(sysEx.active());
    EXPECT_EQ(popOne(*queue), (std::vector<uint8_t>{0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}));

    // Exactly the longest message fits; one byte more is dropped whole,
    // even when it arrives in several pieces.
    std::vector<uint8_t> longest(kMIDIMessageMax, 0x01);
    longest.front() = 0xF0;
    longest.back() = 0xF7;
    EXPECT_TRUE(sysEx.feed(longest.data(), kMIDIMessageMax, *queue));
    EXPECT_EQ(popOne(*queue), longest);
    std::vector<uint8_t> tooLong(kMIDIMessageMax + 1, 0x02);
    tooLong.front() = 0xF0;
    tooLong.back() = 0xF7;
    EXPECT_TRUE(sysEx.feed(tooLong.data(), 200, *queue));
    EXPECT_FALSE(sysEx.feed(tooLong.data() + 200, kMIDIMessageMax + 1 - 200, *queue));
    EXPECT_EQ(queue->dropped(), 1);
    EXPECT_EQ(popOne(*queue), std::vector<uint8_t>{});

    // Bytes without a beginning, and a message cut short by the next one.
    const uint8_t stray[] = {0x10, 0x20, 0xF7};
    EXPECT_FALSE(sysEx.feed(stray, 3, *queue));
    const uint8_t cut[] = {0xF0, 0x01, 0xF0, 0x02, 0xF7};
    EXPECT_FALSE(sysEx.feed(cut, 5, *queue));
    EXPECT_EQ(queue->dropped(), 3);
    EXPECT_EQ(popOne(*queue), (std::vector<uint8_t>{0xF0, 0x02, 0xF7}));

    // After a reported error the half message is forgotten.
    EXPECT_TRUE(sysEx.feed(first, 3, *queue));
    sysEx.abandon();
    EXPECT_FALSE(sysEx.active());
}

// Pieces arrive one a millisecond; an empty piece is one the driver lost.
TEST(SysExAssembly, AMessageThatLostAPieceIsNeverQueuedAsWhole) {
    using Bytes = std::vector<uint8_t>;
    struct Case {
        const char* name;
        std::vector<Bytes> pieces;
        std::vector<std::pair<Bytes, int64_t>> queued;  // with the time of their first piece
        int64_t dropped;
    };
    const Case cases[] = {
        {"a lost middle drops its message; the next comes whole, at its start",
         {{0xF0, 0x01}, {}, {0x05, 0xF7, 0xF0, 0x06}, {0xF7}}, {{{0xF0, 0x06, 0xF7}, 2}}, 1},
        {"a loss between messages skips up to the next beginning", {{}, {0x03, 0x04}, {0xF7, 0xF0, 0x06, 0xF7}},
         {{{0xF0, 0x06, 0xF7}, 2}}, 1},
        {"bytes without their beginning count once", {{0x10, 0x20}, {0x30}, {0xF7}}, {}, 1},
        {"another status byte cuts a message short", {{0xF0, 0x01, 0x90, 0x3C, 0x40, 0xF7}}, {}, 1},
        {"a real-time byte inside a message goes ahead of it", {{0xF0, 0x01}, {0xF8, 0x02, 0xF7}},
         {{{0xF8}, 1}, {{0xF0, 0x01, 0x02, 0xF7}, 0}}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto queue = std::make_unique<PortQueue>();
        SysExAssembler sysEx;
        for (size_t i = 0; i < c.pieces.size(); ++i) {
            const Bytes& piece = c.pieces[i];
            if (piece.empty()) sysEx.lostPiece(*queue);
            else sysEx.feed(piece.data(), static_cast<int32_t>(piece.size()), *queue, static_cast<int64_t>(i));
        }
        std::vector<std::pair<Bytes, int64_t>> queued;
        uint8_t buffer[kMIDIMessageMax];
        int64_t receivedAt = 0;
        while (int32_t length = queue->pop(buffer, kMIDIMessageMax, &receivedAt)) {
            queued.emplace_back(Bytes(buffer, buffer + length), receivedAt);
        }
        EXPECT_EQ(queued, c.queued);
        EXPECT_EQ(queue->dropped(), c.dropped);
    }
}

}  // namespace
