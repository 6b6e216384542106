// The WinMM output port in this process, through Wine's own winmm.dll, over
// the stand-in driver beside this program (long messages at cable speed).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "midi/ports/midi_io.h"
#include "tests/fixtures/winmm_standin/standin_driver.h"
#include "tests/support/standin_script.h"
#include "tools/program_driver/program_run.h"

namespace {

using Bytes = std::vector<uint8_t>;

class WinMMOutputOverStandin : public ::testing::Test {
protected:
    // The driver reads its devices once a process, at the first MIDI call.
    static void SetUpTestSuite() {
        standin = new StandinScript(uniqueName(L"quillbex-output"), {}, {"Synth", "Synth"});
        SetEnvironmentVariableW(kStandinPipeVariable, standin->stem().c_str());
    }
    static void TearDownTestSuite() { delete standin; }

    static inline StandinScript* standin = nullptr;
};

// Twelve 200-byte dumps put back to back, more than the port's headers, with
// a note between them and one after: the driver is handed all of it in the
// order it was put, each dump whole, while the cable takes 0.8 s over it.
TEST_F(WinMMOutputOverStandin, DumpsBeyondThePoolGoOutWholeAndInOrder) {
    MIDIOut* port = MIDIOut_OpenW(L"Synth");
    ASSERT_NE(port, nullptr);
    std::vector<Bytes> put;
    for (uint8_t seed = 0; seed < 12; ++seed) {
        put.push_back(Bytes(200, seed));
        put.back().front() = 0xF0;
        put.back().back() = 0xF7;
        if (seed == 5) put.push_back({0x99, 42, 100});
    }
    put.push_back({0x99, 36, 100});
    for (const Bytes& message : put)
        ASSERT_EQ(MIDIOut_PutMIDIMessage(port, message.data(), static_cast<int32_t>(message.size())),
                  static_cast<int32_t>(message.size()));
    ASSERT_TRUE(standin->waitFor([](const StandinLog& log) { return countEvents(log, "done") == 12; }, 5000));
    std::vector<Bytes> handed;
    for (const StandinEvent& e : standin->log()) {
        if (e.output && (e.event == "data" || e.event == "long")) handed.push_back(e.bytes);
    }
    EXPECT_EQ(handed, put);
    EXPECT_EQ(MIDIOut_Close(port), 1);
}

// Two devices of one name: the second is listed, stored and opened as
// "Synth #2".
TEST_F(WinMMOutputOverStandin, NamesakesAreListedAndOpenedByNumber) {
    wchar_t second[1023];
    ASSERT_EQ(MIDIOut_GetDeviceNameW(1, second, 1023), 8);
    EXPECT_STREQ(second, L"Synth #2");
    MIDIOut* port = MIDIOut_OpenW(L"Synth #2");
    ASSERT_NE(port, nullptr);
    ASSERT_TRUE(standin->waitFor([](const StandinLog& log) {
        return std::any_of(log.begin(), log.end(), [](const StandinEvent& e) {
            return e.output && e.event == "open" && e.device == 1;
        });
    }, 2000));
    EXPECT_EQ(MIDIOut_Close(port), 1);
}

// A pulled cable: the port answers that it has gone and asks the driver
// nothing more; a port opened after the replug works.
TEST_F(WinMMOutputOverStandin, AnUnpluggedDeviceIsGoneAndLeftAlone) {
    MIDIOut* port = MIDIOut_OpenW(L"Synth");
    ASSERT_NE(port, nullptr);
    ASSERT_TRUE(standin->send("unplug out 0\n"));
    ASSERT_TRUE(standin->waitFor([](const StandinLog& log) { return countEvents(log, "unplug") == 1; }, 2000));
    const Bytes note = {0x99, 38, 100};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(MIDIOut_PutMIDIMessage(port, note.data(), 3), 0);
    EXPECT_EQ(MIDIOut_IsGone(port), 1);
    // The driver's log comes over a pipe: what it refused shows a little later.
    ASSERT_TRUE(standin->waitFor([](const StandinLog& log) { return countEvents(log, "refused-data") > 0; }, 2000));
    Sleep(100);
    EXPECT_EQ(countEvents(standin->log(), "refused-data"), 1);
    EXPECT_EQ(MIDIOut_Close(port), 1);

    ASSERT_TRUE(standin->send("replug out 0\n"));
    ASSERT_TRUE(standin->waitFor([](const StandinLog& log) { return countEvents(log, "replug") == 1; }, 2000));
    port = MIDIOut_OpenW(L"Synth");
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(MIDIOut_PutMIDIMessage(port, note.data(), 3), 3);
    EXPECT_EQ(MIDIOut_IsGone(port), 0);
    EXPECT_EQ(MIDIOut_Close(port), 1);
}

}  // namespace
