// In-process virtual MIDI ports for tests and benchmarks.
//
// A virtual output records every message sent to it with the time it was
// sent; a virtual input delivers what a test injects. Both are opened
// through the ordinary port service (midi_io.h) by their names.
#pragma once

#include <cstdint>
#include <vector>

struct VirtualMIDIMessage {
    int64_t timeNs;  // MIDIClockLib_Now() when the message was sent
    std::vector<uint8_t> bytes;
};

// Creating a name that already exists keeps the existing port.
void VirtualMIDI_CreateInput(const wchar_t* name);
void VirtualMIDI_CreateOutput(const wchar_t* name);
// Forgets every virtual port; open handles to them become gone ports, dead
// ends that accept and deliver nothing, as after a pulled cable. Creating
// the name again brings the device back.
void VirtualMIDI_RemoveAll();

// Queues one message on a virtual input as a driver would deliver it: a
// short message with the length its status byte gives (missing data bytes
// read as 0, extra ones are cut), system exclusive possibly in pieces and
// dropped whole beyond kMIDIMessageMax. False when no such input exists, it
// is not open (an input opens once at a time, and what reaches a closed
// port is lost) or the message is dropped.
bool VirtualMIDI_Inject(const wchar_t* inputName, const uint8_t* message, int32_t length);
// Everything sent so far to a virtual output, in order.
std::vector<VirtualMIDIMessage> VirtualMIDI_Sent(const wchar_t* outputName);
void VirtualMIDI_ClearSent(const wchar_t* outputName);
