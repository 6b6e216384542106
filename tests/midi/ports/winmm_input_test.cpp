// The WinMM input port in this process, through Wine's own winmm.dll, over
// the stand-in driver found beside this program: what only the port itself
// shows (the times it hands out, a device that has gone) and system
// exclusive handed over faster than any cable carries it.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "midi/ports/midi_io.h"
#include "tests/fixtures/winmm_standin/standin_driver.h"
#include "tools/program_driver/program_run.h"
#include "tools/program_driver/standin_script.h"

namespace {

std::string hex(const std::vector<uint8_t>& bytes) {
    std::string text;
    char byte[4];
    for (uint8_t b : bytes) {
        std::snprintf(byte, sizeof byte, " %02X", b);
        text += byte;
    }
    return text;
}

// Every message waiting now, with its time.
struct Received {
    std::vector<uint8_t> bytes;
    int64_t receivedAt;
};
std::vector<Received> drain(MIDIIn* port) {
    std::vector<Received> messages;
    uint8_t buffer[kMIDIMessageMax];
    int64_t receivedAt = 0;
    while (int32_t length = MIDIIn_GetMIDIMessageAt(port, buffer, kMIDIMessageMax, &receivedAt)) {
        messages.push_back({std::vector<uint8_t>(buffer, buffer + length), receivedAt});
    }
    return messages;
}

class WinMMInputOverStandin : public ::testing::Test {
protected:
    // The driver reads its devices once per process, at the first MIDI call.
    static void SetUpTestSuite() {
        standin = new StandinScript(uniqueName(L"quillbex-input"), {"Keys"}, {});
        SetEnvironmentVariableW(kStandinPipeVariable, standin->stem().c_str());
    }
    static void TearDownTestSuite() {
        delete standin;
        standin = nullptr;
    }
    void SetUp() override {
        port = MIDIIn_OpenW(L"Keys");
        ASSERT_NE(port, nullptr);
    }
    void TearDown() override { MIDIIn_Close(port); }

    static StandinScript* standin;
    MIDIIn* port = nullptr;
};
StandinScript* WinMMInputOverStandin::standin = nullptr;

// Thirty 200-byte messages at once in 1-byte pieces, far faster than a cable:
// each comes whole or is counted as dropped, never broken.
TEST_F(WinMMInputOverStandin, SystemExclusiveInABurstOfPiecesComesWholeOrNotAtAll) {
    std::vector<std::vector<uint8_t>> sent;
    std::string burst = "long 0 1";
    for (uint8_t seed = 0; seed < 30; ++seed) {
        std::vector<uint8_t> message(200, seed);
        message.front() = 0xF0;
        message.back() = 0xF7;
        burst += hex(message);
        sent.push_back(message);
    }
    const int lostBefore = countEvents(standin->log(), "lost", false);
    ASSERT_TRUE(standin->send(burst + "\n"));
    ASSERT_TRUE(standin->waitFor([](const StandinLog& log) {
        return countEvents(log, "chunk", false) + countEvents(log, "lost", false) >= 6000;
    }, 5000));
    Sleep(50);
    const std::vector<Received> received = drain(port);
    const int lost = countEvents(standin->log(), "lost", false) - lostBefore;
    std::printf("[figure] 6000 pieces at once: %d lost, %zu of 30 messages whole, %lld dropped\n", lost,
                received.size(), static_cast<long long>(MIDIIn_GetDroppedCount(port)));
    size_t next = 0;
    for (const Received& message : received) {
        while (next < sent.size() && sent[next] != message.bytes) ++next;
        ASSERT_LT(next, sent.size()) << "a message came broken or out of order";
    }
    if (lost == 0) {
        EXPECT_EQ(received.size(), sent.size());
    }
}

// Four clock pulses 10 ms apart handed over together: each keeps the time
// it arrived, on the steady clock.
TEST_F(WinMMInputOverStandin, ABatchKeepsEachMessagesOwnTime) {
    Sleep(100);  // a driver time of 0 means none
    const int64_t first = StandinScript::nowUs() - 40000;
    const int64_t steadyMinusDriverNs =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch()).count() -
        StandinScript::nowUs() * 1000;
    std::string batch;
    for (int pulse = 0; pulse < 4; ++pulse) batch += "short 0 " + std::to_string(first + pulse * 10000) + " F8\n";
    ASSERT_TRUE(standin->send(batch));
    ASSERT_TRUE(standin->waitFor([](const StandinLog& log) { return countEvents(log, "in", false) >= 4; }, 2000));
    Sleep(20);
    const std::vector<Received> received = drain(port);
    ASSERT_EQ(received.size(), 4u);
    for (int pulse = 0; pulse < 4; ++pulse) {
        const int64_t arrivedNs = (first + pulse * 10000) * 1000 + steadyMinusDriverNs;
        // The driver counts whole milliseconds from its start.
        EXPECT_NEAR(static_cast<double>(received[pulse].receivedAt - arrivedNs) / 1e6, 0.0, 1.5) << pulse;
    }
}

// An input that is unplugged falls silent; the port notices by itself and
// makes no driver call but its close after that.
TEST_F(WinMMInputOverStandin, AnUnpluggedInputIsNoticedAndLeftAlone) {
    EXPECT_EQ(MIDIIn_IsGone(port), 0);
    ASSERT_TRUE(standin->send("unplug in 0\n"));
    const ULONGLONG unplugged = GetTickCount64();
    while (!MIDIIn_IsGone(port) && GetTickCount64() - unplugged < 2000) Sleep(5);
    std::printf("[figure] unplugged input noticed after %llu ms\n", GetTickCount64() - unplugged);
    ASSERT_EQ(MIDIIn_IsGone(port), 1);
    MIDIIn_Close(port);
    port = nullptr;
    int refused = 0;
    for (const StandinEvent& e : standin->log()) refused += e.event.rfind("refused", 0) == 0 ? 1 : 0;
    EXPECT_EQ(refused, 0);
    ASSERT_TRUE(standin->send("replug in 0\n"));
    ASSERT_TRUE(standin->waitFor([](const StandinLog& log) { return countEvents(log, "replug", false) == 1; }, 2000));
}

}  // namespace
