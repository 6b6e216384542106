// The WinMM backend as far as a machine without MIDI hardware (or Wine)
// allows: device lists, refusals, and virtual ports in front of devices.
#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <string>

#include "midi/ports/midi_io.h"
#include "midi/ports/virtual_midi.h"

namespace {

class WinMMPorts : public ::testing::Test {
protected:
    void TearDown() override { VirtualMIDI_RemoveAll(); }
};

std::wstring outputName(int32_t index) {
    wchar_t name[1023];
    MIDIOut_GetDeviceNameW(index, name, 1023);
    return name;
}

std::wstring inputName(int32_t index) {
    wchar_t name[1023];
    MIDIIn_GetDeviceNameW(index, name, 1023);
    return name;
}

TEST_F(WinMMPorts, ListsTheDriversDevicesFirstInTheirOrder) {
    const int32_t outputs = static_cast<int32_t>(midiOutGetNumDevs());
    const int32_t inputs = static_cast<int32_t>(midiInGetNumDevs());
    ASSERT_EQ(MIDIOut_GetDeviceNum(), outputs);
    ASSERT_EQ(MIDIIn_GetDeviceNum(), inputs);
    for (int32_t i = 0; i < outputs; ++i) {
        MIDIOUTCAPSW caps{};
        ASSERT_EQ(midiOutGetDevCapsW(static_cast<UINT_PTR>(i), &caps, sizeof caps), MMSYSERR_NOERROR);
        EXPECT_EQ(outputName(i), caps.szPname);
    }
    for (int32_t i = 0; i < inputs; ++i) {
        MIDIINCAPSW caps{};
        ASSERT_EQ(midiInGetDevCapsW(static_cast<UINT_PTR>(i), &caps, sizeof caps), MMSYSERR_NOERROR);
        EXPECT_EQ(inputName(i), caps.szPname);
    }
    VirtualMIDI_CreateOutput(L"Quillbex Test Out");
    VirtualMIDI_CreateInput(L"Quillbex Test In");
    EXPECT_EQ(MIDIOut_GetDeviceNum(), outputs + 1);
    EXPECT_EQ(outputName(outputs), L"Quillbex Test Out");
    EXPECT_EQ(MIDIIn_GetDeviceNum(), inputs + 1);
    EXPECT_EQ(inputName(inputs), L"Quillbex Test In");
}

TEST_F(WinMMPorts, RefusesNamesOfNoDeviceCleanly) {
    EXPECT_EQ(MIDIIn_OpenW(L"No Such Device"), nullptr);
    EXPECT_EQ(MIDIOut_OpenW(L"No Such Device"), nullptr);
    EXPECT_EQ(MIDIIn_OpenW(L"(None)"), nullptr);
    EXPECT_EQ(MIDIOut_OpenW(L"(None)"), nullptr);
    EXPECT_EQ(MIDIIn_OpenW(L"MIDI Mapper"), nullptr);  // the mapper is an output only
    EXPECT_EQ(MIDIOut_ReopenW(nullptr, L"No Such Device"), nullptr);
}

// Whatever devices the machine has open and close without harm.
TEST_F(WinMMPorts, EveryListedDeviceOpensAndClosesOrIsRefused) {
    for (int32_t i = 0; i < MIDIIn_GetDeviceNum(); ++i) {
        MIDIIn* port = MIDIIn_OpenW(inputName(i).c_str());
        if (port == nullptr) continue;
        uint8_t buffer[kMIDIMessageMax];
        while (MIDIIn_GetMIDIMessage(port, buffer, kMIDIMessageMax) > 0) {
        }
        EXPECT_EQ(MIDIIn_Close(port), 1);
    }
    for (int32_t i = 0; i < MIDIOut_GetDeviceNum(); ++i) {
        MIDIOut* port = MIDIOut_OpenW(outputName(i).c_str());
        if (port != nullptr) {
            EXPECT_EQ(MIDIOut_Close(port), 1);
        }
    }
    MIDIOut* mapper = MIDIOut_OpenW(L"MIDI Mapper");
    if (mapper != nullptr) {
        const uint8_t tooShort[] = {0x90, 0x3C};
        EXPECT_EQ(MIDIOut_PutMIDIMessage(mapper, tooShort, 2), 0);
        EXPECT_EQ(MIDIOut_Close(mapper), 1);
    }
}

TEST_F(WinMMPorts, AVirtualPortStandsInFrontOfADeviceOfItsName) {
    const std::wstring name = MIDIOut_GetDeviceNum() > 0 ? outputName(0) : L"MIDI Mapper";
    const int32_t outputs = MIDIOut_GetDeviceNum();
    VirtualMIDI_CreateOutput(name.c_str());
    EXPECT_EQ(MIDIOut_GetDeviceNum(), name == L"MIDI Mapper" ? outputs + 1 : outputs);
    MIDIOut* port = MIDIOut_OpenW(name.c_str());
    ASSERT_NE(port, nullptr);
    const uint8_t noteOn[] = {0x99, 0x24, 0x64};
    EXPECT_EQ(MIDIOut_PutMIDIMessage(port, noteOn, 3), 3);
    ASSERT_EQ(VirtualMIDI_Sent(name.c_str()).size(), 1u);
    EXPECT_EQ(MIDIOut_Close(port), 1);
}

}  // namespace
