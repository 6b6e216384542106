// The port service by name, with the in-process virtual ports behind it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "common/wake_up.h"
#include "midi/clock/midi_clock.h"
#include "midi/ports/midi_io.h"
#include "midi/ports/virtual_midi.h"
#include "tests/support/bytes.h"

namespace {

class VirtualPorts : public ::testing::Test {
protected:
    void TearDown() override { VirtualMIDI_RemoveAll(); }

    static std::vector<uint8_t> read(MIDIIn* port) {
        uint8_t buffer[kMIDIMessageMax];
        const int32_t length = MIDIIn_GetMIDIMessage(port, buffer, kMIDIMessageMax);
        return std::vector<uint8_t>(buffer, buffer + length);
    }

    static std::vector<std::vector<uint8_t>> sentBytes(const wchar_t* name) {
        std::vector<std::vector<uint8_t>> result;
        for (const VirtualMIDIMessage& message : VirtualMIDI_Sent(name)) result.push_back(message.bytes);
        return result;
    }
};


TEST_F(VirtualPorts, NamesThatOpenNothing) {
    VirtualMIDI_CreateInput(L"Pads");
    VirtualMIDI_CreateOutput(L"Drums");
    VirtualMIDI_CreateOutput(L"(None)");  // never a device
    EXPECT_EQ(MIDIIn_OpenW(nullptr), nullptr);
    EXPECT_EQ(MIDIIn_OpenW(L""), nullptr);
    EXPECT_EQ(MIDIIn_OpenW(L"(None)"), nullptr);
    EXPECT_EQ(MIDIIn_OpenW(L"Drums"), nullptr);   // an output, not an input
    EXPECT_EQ(MIDIIn_OpenW(L"pads"), nullptr);    // names are exact
    EXPECT_EQ(MIDIOut_OpenW(nullptr), nullptr);
    EXPECT_EQ(MIDIOut_OpenW(L""), nullptr);
    EXPECT_EQ(MIDIOut_OpenW(L"(None)"), nullptr);
    EXPECT_EQ(MIDIOut_OpenW(L"Pads"), nullptr);
    EXPECT_EQ(MIDIOut_OpenW(L"Nowhere"), nullptr);
    EXPECT_EQ(MIDIIn_Close(nullptr), 0);
    EXPECT_EQ(MIDIOut_Close(nullptr), 0);
    EXPECT_EQ(MIDIIn_GetMIDIMessage(nullptr, nullptr, 0), 0);
    EXPECT_EQ(MIDIIn_GetDroppedCount(nullptr), 0);
    const uint8_t clock = 0xF8;
    EXPECT_EQ(MIDIOut_PutMIDIMessage(nullptr, &clock, 1), 0);
}

TEST_F(VirtualPorts, ListsDevicesInCreationOrderAfterTheSystemOnes) {
    const int32_t systemInputs = MIDIIn_GetDeviceNum();
    const int32_t systemOutputs = MIDIOut_GetDeviceNum();
    VirtualMIDI_CreateInput(L"Keys");
    VirtualMIDI_CreateInput(L"Pads");
    VirtualMIDI_CreateInput(L"Keys");  // already there
    VirtualMIDI_CreateOutput(L"A very long output port name");
    EXPECT_EQ(MIDIIn_GetDeviceNum(), systemInputs + 2);
    EXPECT_EQ(MIDIOut_GetDeviceNum(), systemOutputs + 1);

    wchar_t name[1023];
    EXPECT_EQ(MIDIIn_GetDeviceNameW(systemInputs, name, 1023), 4);
    EXPECT_EQ(std::wstring(name), L"Keys");
    EXPECT_EQ(MIDIIn_GetDeviceNameW(systemInputs + 1, name, 1023), 4);
    EXPECT_EQ(std::wstring(name), L"Pads");
    EXPECT_EQ(MIDIIn_GetDeviceNameW(systemInputs + 2, name, 1023), 0);
    EXPECT_EQ(name[0], L'\0');
    EXPECT_EQ(MIDIIn_GetDeviceNameW(-1, name, 1023), 0);

    // Truncated to the buffer, always terminated.
    wchar_t small[7];
    EXPECT_EQ(MIDIOut_GetDeviceNameW(systemOutputs, small, 7), 6);
    EXPECT_EQ(std::wstring(small), L"A very");
    EXPECT_EQ(MIDIOut_GetDeviceNameW(systemOutputs, small, 0), 0);
    EXPECT_EQ(MIDIOut_GetDeviceNameW(systemOutputs, nullptr, 7), 0);

    VirtualMIDI_RemoveAll();
    EXPECT_EQ(MIDIIn_GetDeviceNum(), systemInputs);
    EXPECT_EQ(MIDIOut_GetDeviceNum(), systemOutputs);
}

TEST_F(VirtualPorts, OpenCloseAndReopenByName) {
    VirtualMIDI_CreateInput(L"Keys");
    VirtualMIDI_CreateInput(L"Pads");
    VirtualMIDI_CreateOutput(L"Drums");
    VirtualMIDI_CreateOutput(L"Synth");

    MIDIIn* in = MIDIIn_OpenW(L"Keys");
    ASSERT_NE(in, nullptr);
    // An input opens once at a time, like a driver's.
    EXPECT_EQ(MIDIIn_OpenW(L"Keys"), nullptr);
    in = MIDIIn_ReopenW(in, L"Pads");
    ASSERT_NE(in, nullptr);
    const uint8_t noteOn[] = {0x90, 0x3C, 0x64};
    EXPECT_FALSE(VirtualMIDI_Inject(L"Keys", noteOn, 3));  // closed now
    EXPECT_TRUE(VirtualMIDI_Inject(L"Pads", noteOn, 3));
    EXPECT_EQ(read(in), Bytes(noteOn, noteOn + 3));
    // A failed reopen still closes the old port.
    EXPECT_EQ(MIDIIn_ReopenW(in, L"(None)"), nullptr);
    EXPECT_FALSE(VirtualMIDI_Inject(L"Pads", noteOn, 3));
    in = MIDIIn_ReopenW(nullptr, L"Pads");
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(read(in), Bytes{});  // nothing left over from before
    EXPECT_EQ(MIDIIn_Close(in), 1);

    MIDIOut* out = MIDIOut_OpenW(L"Drums");
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(MIDIOut_PutMIDIMessage(out, noteOn, 3), 3);
    out = MIDIOut_ReopenW(out, L"Synth");
    ASSERT_NE(out, nullptr);
    const uint8_t program[] = {0xC9, 0x10};
    EXPECT_EQ(MIDIOut_PutMIDIMessage(out, program, 2), 2);
    EXPECT_EQ(sentBytes(L"Drums"), std::vector<Bytes>{Bytes(noteOn, noteOn + 3)});
    EXPECT_EQ(sentBytes(L"Synth"), std::vector<Bytes>{Bytes(program, program + 2)});
    EXPECT_EQ(MIDIOut_ReopenW(out, L"Nowhere"), nullptr);
}

TEST_F(VirtualPorts, RecordsExactlyWhatIsSentWithItsTime) {
    VirtualMIDI_CreateOutput(L"Drums");
    MIDIOut* out = MIDIOut_OpenW(L"Drums");
    ASSERT_NE(out, nullptr);
    const int64_t before = MIDIClockLib_Now();
    const std::vector<Bytes> messages = {
        {0x99, 0x24, 0x64}, {0x99, 0x24, 0x00}, {0xF8}, {0xF1, 0x7E}, {0xF2, 0x10, 0x02}, {0xC9, 0x00},
        {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7},
    };
    for (const Bytes& message : messages) {
        EXPECT_EQ(MIDIOut_PutMIDIMessage(out, message.data(), static_cast<int32_t>(message.size())),
                  static_cast<int32_t>(message.size()));
    }
    // Malformed messages are refused and not recorded.
    const uint8_t runningStatus[] = {0x24, 0x64};
    const uint8_t truncated[] = {0x99, 0x24};
    EXPECT_EQ(MIDIOut_PutMIDIMessage(out, runningStatus, 2), 0);
    EXPECT_EQ(MIDIOut_PutMIDIMessage(out, truncated, 2), 0);
    EXPECT_EQ(MIDIOut_PutMIDIMessage(out, truncated, 0), 0);

    EXPECT_EQ(sentBytes(L"Drums"), messages);
    const std::vector<VirtualMIDIMessage> sent = VirtualMIDI_Sent(L"Drums");
    for (size_t i = 0; i < sent.size(); ++i) {
        EXPECT_GE(sent[i].timeNs, i == 0 ? before : sent[i - 1].timeNs);
        EXPECT_LE(sent[i].timeNs, MIDIClockLib_Now());
    }
    VirtualMIDI_ClearSent(L"Drums");
    EXPECT_TRUE(VirtualMIDI_Sent(L"Drums").empty());
    EXPECT_TRUE(VirtualMIDI_Sent(L"Nowhere").empty());
    MIDIOut_Close(out);
}

TEST_F(VirtualPorts, InjectedInputFollowsTheDriversLengthRules) {
    VirtualMIDI_CreateInput(L"Keys");
    MIDIIn* in = MIDIIn_OpenW(L"Keys");
    ASSERT_NE(in, nullptr);
    struct Case {
        Bytes injected;
        Bytes delivered;
    };
    const std::vector<Case> cases = {
        {{0x90, 0x3C, 0x64}, {0x90, 0x3C, 0x64}},
        {{0x90, 0x3C}, {0x90, 0x3C, 0x00}},             // missing data bytes read as 0
        {{0xC0, 0x05, 0x77}, {0xC0, 0x05}},             // extra bytes are not delivered
        {{0xD3, 0x40}, {0xD3, 0x40}},
        {{0xE0, 0x00, 0x40}, {0xE0, 0x00, 0x40}},
        {{0xF1, 0x23}, {0xF1, 0x23}},
        {{0xF2, 0x01, 0x02}, {0xF2, 0x01, 0x02}},
        {{0xF3, 0x01}, {0xF3, 0x01}},
        {{0xF6}, {0xF6}},
        {{0xF8, 0xF8}, {0xF8}},
        {{0xFA}, {0xFA}},
        {{0xF0, 0x41, 0x10, 0x42, 0x12, 0xF7}, {0xF0, 0x41, 0x10, 0x42, 0x12, 0xF7}},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(VirtualMIDI_Inject(L"Keys", c.injected.data(), static_cast<int32_t>(c.injected.size())));
    }
    for (const Case& c : cases) EXPECT_EQ(read(in), c.delivered);
    EXPECT_EQ(read(in), Bytes{});

    const uint8_t dataByte[] = {0x3C, 0x40};
    EXPECT_FALSE(VirtualMIDI_Inject(L"Keys", dataByte, 2));
    EXPECT_FALSE(VirtualMIDI_Inject(L"Keys", dataByte, 0));
    EXPECT_FALSE(VirtualMIDI_Inject(L"Nowhere", dataByte, 2));
    EXPECT_EQ(MIDIIn_GetDroppedCount(in), 1);
    MIDIIn_Close(in);
}

TEST_F(VirtualPorts, SystemExclusiveInPiecesAndTooLong) {
    VirtualMIDI_CreateInput(L"Keys");
    MIDIIn* in = MIDIIn_OpenW(L"Keys");
    ASSERT_NE(in, nullptr);
    const uint8_t head[] = {0xF0, 0x43};
    const uint8_t tail[] = {0x10, 0x4C, 0xF7};
    const uint8_t clock = 0xF8;
    EXPECT_TRUE(VirtualMIDI_Inject(L"Keys", head, 2));
    EXPECT_TRUE(VirtualMIDI_Inject(L"Keys", &clock, 1));  // real time may come in between
    EXPECT_TRUE(VirtualMIDI_Inject(L"Keys", tail, 3));
    EXPECT_EQ(read(in), Bytes{0xF8});
    EXPECT_EQ(read(in), (Bytes{0xF0, 0x43, 0x10, 0x4C, 0xF7}));

    Bytes tooLong(300, 0x11);
    tooLong.front() = 0xF0;
    tooLong.back() = 0xF7;
    EXPECT_FALSE(VirtualMIDI_Inject(L"Keys", tooLong.data(), 300));
    EXPECT_TRUE(VirtualMIDI_Inject(L"Keys", &clock, 1));
    EXPECT_EQ(read(in), Bytes{0xF8});  // dropped whole, never split
    EXPECT_EQ(MIDIIn_GetDroppedCount(in), 1);

    // A sysex sent out of one virtual port and into another arrives intact.
    VirtualMIDI_CreateOutput(L"Loop");
    MIDIOut* out = MIDIOut_OpenW(L"Loop");
    Bytes dump(256, 0x22);
    dump.front() = 0xF0;
    dump.back() = 0xF7;
    ASSERT_EQ(MIDIOut_PutMIDIMessage(out, dump.data(), 256), 256);
    for (const VirtualMIDIMessage& sent : VirtualMIDI_Sent(L"Loop")) {
        EXPECT_TRUE(VirtualMIDI_Inject(L"Keys", sent.bytes.data(), static_cast<int32_t>(sent.bytes.size())));
    }
    EXPECT_EQ(read(in), dump);
    // A buffer too small for the waiting message loses that message only.
    EXPECT_TRUE(VirtualMIDI_Inject(L"Keys", dump.data(), 256));
    EXPECT_TRUE(VirtualMIDI_Inject(L"Keys", &clock, 1));
    uint8_t small[8];
    EXPECT_EQ(MIDIIn_GetMIDIMessage(in, small, 8), 1);
    EXPECT_EQ(small[0], 0xF8);
    EXPECT_EQ(MIDIIn_GetDroppedCount(in), 2);
    MIDIOut_Close(out);
    MIDIIn_Close(in);
}

// The input thread sleeps until a message arrives: every message the
// port queues signals its wake-up, one that is refused does not, and a
// closed port signals no more.
TEST_F(VirtualPorts, QueuedInputSignalsTheReadersWakeUp) {
    WakeUp wake;
    EXPECT_FALSE(wake.wait(0));
    VirtualMIDI_CreateInput(L"Wake In");
    MIDIIn* port = MIDIIn_OpenW(L"Wake In");
    ASSERT_NE(port, nullptr);
    MIDIIn_SetArrivalWakeUp(port, &wake);

    const uint8_t note[] = {0x90, 60, 100};
    const uint8_t dataByte[] = {0x40};
    ASSERT_TRUE(VirtualMIDI_Inject(L"Wake In", note, 3));
    EXPECT_TRUE(wake.wait(0));
    EXPECT_FALSE(wake.wait(0)) << "one signal wakes once";
    EXPECT_FALSE(VirtualMIDI_Inject(L"Wake In", dataByte, 1));
    EXPECT_FALSE(wake.wait(0));

    MIDIIn_Close(port);
    port = MIDIIn_OpenW(L"Wake In");
    VirtualMIDI_Inject(L"Wake In", note, 3);
    EXPECT_FALSE(wake.wait(0));
    MIDIIn_Close(port);
}

TEST_F(VirtualPorts, FullQueueDropsNewMessagesAndCountsThem) {
    VirtualMIDI_CreateInput(L"Keys");
    MIDIIn* in = MIDIIn_OpenW(L"Keys");
    ASSERT_NE(in, nullptr);
    int accepted = 0;
    for (int i = 0; i < 5000; ++i) {
        const uint8_t message[] = {0xB0, static_cast<uint8_t>(i & 0x7F), static_cast<uint8_t>((i >> 7) & 0x7F)};
        if (VirtualMIDI_Inject(L"Keys", message, 3)) ++accepted;
    }
    EXPECT_GT(accepted, 0);
    EXPECT_EQ(MIDIIn_GetDroppedCount(in), 5000 - accepted);
    for (int i = 0; i < accepted; ++i) {
        const Bytes message = read(in);
        ASSERT_EQ(message, (Bytes{0xB0, static_cast<uint8_t>(i & 0x7F), static_cast<uint8_t>((i >> 7) & 0x7F)}));
    }
    EXPECT_EQ(read(in), Bytes{});
    MIDIIn_Close(in);
}

TEST_F(VirtualPorts, RemovedPortsLeaveHandlesHarmless) {
    VirtualMIDI_CreateInput(L"Keys");
    VirtualMIDI_CreateOutput(L"Drums");
    MIDIIn* in = MIDIIn_OpenW(L"Keys");
    MIDIOut* out = MIDIOut_OpenW(L"Drums");
    const uint8_t noteOn[] = {0x99, 0x24, 0x64};
    EXPECT_TRUE(VirtualMIDI_Inject(L"Keys", noteOn, 3));
    VirtualMIDI_RemoveAll();
    EXPECT_EQ(read(in), Bytes{});
    EXPECT_EQ(MIDIOut_PutMIDIMessage(out, noteOn, 3), 0);
    // A new port of the same name is a new port.
    VirtualMIDI_CreateOutput(L"Drums");
    EXPECT_EQ(MIDIOut_PutMIDIMessage(out, noteOn, 3), 0);
    EXPECT_TRUE(VirtualMIDI_Sent(L"Drums").empty());
    EXPECT_EQ(MIDIIn_Close(in), 1);
    EXPECT_EQ(MIDIOut_Close(out), 1);
}

// One thread sends while another reads the record; one injects while
// another drains. Run under ThreadSanitizer too.
TEST_F(VirtualPorts, SendingAndInjectingFromOtherThreads) {
    VirtualMIDI_CreateOutput(L"Drums");
    VirtualMIDI_CreateInput(L"Keys");
    MIDIOut* out = MIDIOut_OpenW(L"Drums");
    MIDIIn* in = MIDIIn_OpenW(L"Keys");
    ASSERT_NE(out, nullptr);
    ASSERT_NE(in, nullptr);
    constexpr int kMessages = 16000;  // two 7-bit data bytes number them

    std::thread sender([out] {
        for (int i = 0; i < kMessages; ++i) {
            const uint8_t message[] = {0x99, static_cast<uint8_t>(i & 0x7F), static_cast<uint8_t>((i >> 7) & 0x7F)};
            MIDIOut_PutMIDIMessage(out, message, 3);
        }
    });
    std::thread injector([] {
        for (int i = 0; i < kMessages;) {
            const uint8_t message[] = {0x90, static_cast<uint8_t>(i & 0x7F), static_cast<uint8_t>((i >> 7) & 0x7F)};
            if (VirtualMIDI_Inject(L"Keys", message, 3)) {
                ++i;
            } else {
                std::this_thread::yield();
            }
        }
    });
    size_t seen = 0;
    int received = 0;
    while (received < kMessages || seen < kMessages) {
        const std::vector<VirtualMIDIMessage> sent = VirtualMIDI_Sent(L"Drums");
        ASSERT_GE(sent.size(), seen);
        seen = sent.size();
        uint8_t buffer[kMIDIMessageMax];
        int32_t length;
        while ((length = MIDIIn_GetMIDIMessage(in, buffer, kMIDIMessageMax)) > 0) {
            ASSERT_EQ(length, 3);
            ASSERT_EQ(buffer[1] | (buffer[2] << 7), received);
            ++received;
        }
    }
    sender.join();
    injector.join();
    const std::vector<VirtualMIDIMessage> sent = VirtualMIDI_Sent(L"Drums");
    for (int i = 0; i < kMessages; ++i) {
        ASSERT_EQ(sent[static_cast<size_t>(i)].bytes[1] | (sent[static_cast<size_t>(i)].bytes[2] << 7), i);
    }
    MIDIIn_Close(in);
    MIDIOut_Close(out);
}

// Ports closed aside one after another, as the port keeper and shutdown
// do: every close finishes, so an input (which opens once at a time) opens
// again each round.
TEST_F(VirtualPorts, EveryPortClosedAsideGetsClosed) {
    VirtualMIDI_CreateInput(L"Pads");
    VirtualMIDI_CreateOutput(L"Drums");
    for (int round = 0; round < 1000; ++round) {
        MIDIIn* input = MIDIIn_OpenW(L"Pads");
        ASSERT_NE(input, nullptr) << "round " << round;
        const std::shared_future<void> closes[] = {MIDIPorts_CloseAside(input, nullptr),
                                                   MIDIPorts_CloseAside(nullptr, MIDIOut_OpenW(L"Drums"))};
        for (const std::shared_future<void>& closed : closes)
            ASSERT_EQ(closed.wait_for(std::chrono::seconds(5)), std::future_status::ready) << "round " << round;
    }
}

}  // namespace
