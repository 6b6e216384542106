// The loop-back pipe ports, driven in-process through the test's own pipe
// servers exactly as a black-box test drives them from outside.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "midi/ports/loopback_pipe.h"
#include "midi/ports/midi_io.h"
#include "tools/program_driver/loopback_pipe_server.h"

namespace {

constexpr DWORD kWaitMs = 2000;

std::vector<std::wstring> deviceNames(int32_t (*count)(), int32_t (*nameOf)(int32_t, wchar_t*, int32_t)) {
    std::vector<std::wstring> names;
    for (int32_t i = 0; i < count(); ++i) {
        wchar_t name[64];
        nameOf(i, name, 64);
        names.push_back(name);
    }
    return names;
}

bool listed(const std::vector<std::wstring>& names, const wchar_t* name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// The next message of the input port, polling as the input thread does.
std::vector<uint8_t> nextInput(MIDIIn* port) {
    uint8_t buffer[kMIDIMessageMax];
    for (int round = 0; round < 400; ++round) {
        const int32_t length = MIDIIn_GetMIDIMessage(port, buffer, sizeof buffer);
        if (length > 0) return {buffer, buffer + length};
        Sleep(5);
    }
    return {};
}

class LoopbackPorts : public ::testing::Test {
protected:
    void TearDown() override { SetEnvironmentVariableW(kLoopbackPipeVariable, nullptr); }
    const std::wstring prefix = L"quillbex-port-test-" + std::to_wstring(GetCurrentProcessId());
};

TEST_F(LoopbackPorts, AbsentWithoutTheVariable) {
    SetEnvironmentVariableW(kLoopbackPipeVariable, nullptr);
    LoopbackPipes pipes(prefix);
    EXPECT_FALSE(listed(deviceNames(MIDIIn_GetDeviceNum, MIDIIn_GetDeviceNameW), kLoopbackInputName));
    EXPECT_FALSE(listed(deviceNames(MIDIOut_GetDeviceNum, MIDIOut_GetDeviceNameW), kLoopbackOutputName));
    EXPECT_EQ(MIDIOut_OpenW(kLoopbackOutputName), nullptr);
    EXPECT_EQ(MIDIIn_OpenW(kLoopbackInputName), nullptr);
}

TEST_F(LoopbackPorts, MessagesCrossBothPipesWhole) {
    LoopbackPipes pipes(prefix);
    ASSERT_TRUE(pipes.toProgram.listening() && pipes.fromProgram.listening());
    SetEnvironmentVariableW(kLoopbackPipeVariable, prefix.c_str());
    EXPECT_TRUE(listed(deviceNames(MIDIIn_GetDeviceNum, MIDIIn_GetDeviceNameW), kLoopbackInputName));
    EXPECT_TRUE(listed(deviceNames(MIDIOut_GetDeviceNum, MIDIOut_GetDeviceNameW), kLoopbackOutputName));

    MIDIOut* out = MIDIOut_OpenW(kLoopbackOutputName);
    MIDIIn* in = MIDIIn_OpenW(kLoopbackInputName);
    ASSERT_NE(out, nullptr);
    ASSERT_NE(in, nullptr);

    const std::vector<std::vector<uint8_t>> messages = {
        {0x99, 36, 100}, {0xF8}, {0xC0, 5}, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}};
    for (const auto& message : messages) {
        EXPECT_EQ(MIDIOut_PutMIDIMessage(out, message.data(), static_cast<int32_t>(message.size())),
                  static_cast<int32_t>(message.size()));
    }
    for (const auto& message : messages) EXPECT_EQ(pipes.fromProgram.read(kWaitMs), message);

    // A message that is not one whole MIDI message is dropped and counted;
    // the frames after it still arrive.
    ASSERT_TRUE(pipes.toProgram.waitForConnections(1, kWaitMs));
    EXPECT_TRUE(pipes.toProgram.write({0x90, 60}));
    for (const auto& message : messages) EXPECT_TRUE(pipes.toProgram.write(message));
    for (const auto& message : messages) EXPECT_EQ(nextInput(in), message);
    EXPECT_EQ(MIDIIn_GetDroppedCount(in), 1);

    // A reopened port connects anew and works as before.
    in = MIDIIn_ReopenW(in, kLoopbackInputName);
    ASSERT_NE(in, nullptr);
    ASSERT_TRUE(pipes.toProgram.waitForConnections(2, kWaitMs));
    EXPECT_TRUE(pipes.toProgram.write({0xFA}));
    EXPECT_EQ(nextInput(in), std::vector<uint8_t>{0xFA});

    MIDIIn_Close(in);
    MIDIOut_Close(out);
}

}  // namespace
