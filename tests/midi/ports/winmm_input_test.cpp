// The WinMM input port in this process, through Wine's own winmm.dll, over
// the stand-in driver found beside this program: what only the port shows
// (the times it hands out, a device that has gone) and system exclusive
// handed over faster than any cable carries it.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "midi/ports/midi_io.h"
#include "tests/fixtures/winmm_standin/standin_driver.h"
#include "tests/support/standin_script.h"
#include "tools/program_driver/program_run.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Every message waiting now, with its time.
std::vector<std::pair<Bytes, int64_t>> drain(MIDIIn* port) {
    std::vector<std::pair<Bytes, int64_t>> messages;
    uint8_t buffer[kMIDIMessageMax];
    int64_t receivedAt = 0;
    while (int32_t length = MIDIIn_GetMIDIMessageAt(port, buffer, kMIDIMessageMax, &receivedAt)) {
        messages.emplace_back(Bytes(buffer, buffer + length), receivedAt);
    }
    return messages;
}

class WinMMInputOverStandin : public ::testing::Test {
protected:
    // The driver reads its devices once a process, at the first MIDI call.
    static void SetUpTestSuite() {
        standin = new StandinScript(uniqueName(L"quillbex-input"), {"Keys"}, {});
        SetEnvironmentVariableW(kStandinPipeVariable, standin->stem().c_str());
    }
    static void TearDownTestSuite() { delete standin; }
    void SetUp() override { ASSERT_NE(port = MIDIIn_OpenW(L"Keys"), nullptr); }
    void TearDown() override { MIDIIn_Close(port); }

    static inline StandinScript* standin = nullptr;
    MIDIIn* port = nullptr;
};

// Thirty 200-byte messages at once in 1-byte pieces, far faster than a
// cable: each comes whole or not at all, never broken.
TEST_F(WinMMInputOverStandin, SystemExclusiveInABurstOfPiecesComesWholeOrNotAtAll) {
    std::vector<Bytes> sent;
    std::string burst = "long 0 1";
    for (uint8_t seed = 0; seed < 30; ++seed) {
        sent.push_back(Bytes(200, seed));
        sent.back().front() = 0xF0;
        sent.back().back() = 0xF7;
        char hex[4];
        for (uint8_t byte : sent.back()) burst.append(hex, std::snprintf(hex, sizeof hex, " %X", byte));
    }
    ASSERT_TRUE(standin->send(burst + "\n"));
    ASSERT_TRUE(standin->waitFor([](const StandinLog& log) {
        return countEvents(log, "chunk", false) + countEvents(log, "lost", false) >= 6000;
    }, 5000));
    Sleep(50);
    const auto received = drain(port);
    const int lost = countEvents(standin->log(), "lost", false);
    std::printf("[figure] 6000 pieces at once: %d lost, %zu of 30 messages whole, %lld dropped\n", lost,
                received.size(), static_cast<long long>(MIDIIn_GetDroppedCount(port)));
    auto next = sent.begin();
    for (const auto& message : received) {
        next = std::find(next, sent.end(), message.first);
        ASSERT_NE(next, sent.end()) << "a message came broken or out of order";
    }
    if (lost == 0) {
        EXPECT_EQ(received.size(), sent.size());
    }
}

// Four clock pulses 10 ms apart handed over together each keep the time
// they arrived, on the steady clock.
TEST_F(WinMMInputOverStandin, ABatchKeepsEachMessagesOwnTime) {
    Sleep(100);  // a driver's time of 0 means none
    const int64_t first = StandinScript::nowUs() - 40000;
    const int64_t steadyMinusDriverNs =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch()).count() -
        StandinScript::nowUs() * 1000;
    std::string batch;
    for (int pulse = 0; pulse < 4; ++pulse) batch += "short 0 " + std::to_string(first + pulse * 10000) + " F8\n";
    ASSERT_TRUE(standin->send(batch));
    ASSERT_TRUE(standin->waitFor([](const StandinLog& log) { return countEvents(log, "in", false) >= 4; }, 2000));
    Sleep(20);
    const auto received = drain(port);
    ASSERT_EQ(received.size(), 4u);
    for (int pulse = 0; pulse < 4; ++pulse) {
        const int64_t arrivedNs = (first + pulse * 10000) * 1000 + steadyMinusDriverNs;
        // The driver counts whole milliseconds.
        EXPECT_NEAR(static_cast<double>(received[pulse].second - arrivedNs) / 1e6, 0.0, 1.0) << pulse;
    }
}

// An unplugged input falls silent; the port notices by itself and makes no
// driver call after that but its close.
TEST_F(WinMMInputOverStandin, AnUnpluggedInputIsNoticedAndLeftAlone) {
    EXPECT_EQ(MIDIIn_IsGone(port), 0);
    ASSERT_TRUE(standin->send("unplug in 0\n"));
    const ULONGLONG unplugged = GetTickCount64();
    while (!MIDIIn_IsGone(port) && GetTickCount64() - unplugged < 2000) Sleep(5);
    std::printf("[figure] unplugged input noticed after %llu ms\n", GetTickCount64() - unplugged);
    ASSERT_EQ(MIDIIn_IsGone(port), 1);
    MIDIIn_Close(port);
    port = nullptr;
    for (const StandinEvent& e : standin->log()) EXPECT_NE(e.event.rfind("refused", 0), 0u) << e.event;
    ASSERT_TRUE(standin->send("replug in 0\n"));
    ASSERT_TRUE(standin->waitFor([](const StandinLog& log) { return countEvents(log, "replug", false) == 1; }, 2000));
}

}  // namespace
