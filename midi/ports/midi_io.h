// MIDI port service: input and output ports opened by device name.
//
// Names come from the system's devices (WinMM on Windows) followed by the
// virtual ports that tests and benchmarks create (virtual_midi.h); a
// virtual port shadows a system device of the same name. "MIDI Mapper"
// opens the Windows MIDI mapper; "(None)", an empty name or an unknown name
// gives null.
#pragma once

#include <cstdint>
#include <future>

struct MIDIIn;   // opaque
struct MIDIOut;  // opaque
class WakeUp;    // common/wake_up.h

// Longest message handed out by MIDIIn_GetMIDIMessage; a longer received
// system-exclusive message is dropped whole, never split.
constexpr int32_t kMIDIMessageMax = 256;

int32_t MIDIIn_GetDeviceNum();
int32_t MIDIOut_GetDeviceNum();
// Copies the name of device `index` into `buffer` of `size` characters,
// terminated; the result is its length, 0 for an unknown index.
int32_t MIDIIn_GetDeviceNameW(int32_t index, wchar_t* buffer, int32_t size);
int32_t MIDIOut_GetDeviceNameW(int32_t index, wchar_t* buffer, int32_t size);

MIDIIn* MIDIIn_OpenW(const wchar_t* deviceName);
MIDIOut* MIDIOut_OpenW(const wchar_t* deviceName);
// Close `current` (which may be null), then open `deviceName`.
MIDIIn* MIDIIn_ReopenW(MIDIIn* current, const wchar_t* deviceName);
MIDIOut* MIDIOut_ReopenW(MIDIOut* current, const wchar_t* deviceName);
int32_t MIDIIn_Close(MIDIIn* port);   // null is accepted
int32_t MIDIOut_Close(MIDIOut* port); // null is accepted
// Closing can keep a caller waiting for seconds: some drivers block in their
// reset or close. Closes both ports (either may be null) on a thread of its
// own and returns at once; the result is ready when both are closed. A
// caller that opens the same device again waits for it first.
std::shared_future<void> MIDIPorts_CloseAside(MIDIIn* input, MIDIOut* output);

// Copies one complete received message into `buffer` and returns its length;
// 0 when nothing is waiting. A waiting message longer than `size` is dropped
// and counted, and the next one is delivered instead. Never blocks.
int32_t MIDIIn_GetMIDIMessage(MIDIIn* port, uint8_t* buffer, int32_t size);
// The same, and the time the message arrived, in steady-clock nanoseconds
// (std::chrono::steady_clock, the clocks' own time source) as the driver
// reported it; kMIDIInNoTime when the port cannot tell, and the reader then
// takes the moment it reads the message.
constexpr int64_t kMIDIInNoTime = 0;
int32_t MIDIIn_GetMIDIMessageAt(MIDIIn* port, uint8_t* buffer, int32_t size, int64_t* receivedAt);
// Number of received messages dropped because the queue was full, they were
// longer than kMIDIMessageMax, or part of them was lost on the way.
int64_t MIDIIn_GetDroppedCount(const MIDIIn* port);
// From now on the port signals `wake` (null: nothing) each time a received
// message is queued, so that its reader can sleep until one arrives. The
// wake-up must outlive the port or be replaced first.
void MIDIIn_SetArrivalWakeUp(MIDIIn* port, WakeUp* wake);

// Sends one complete message at once; the result is its length, 0 on failure.
// A short message must have exactly the data bytes its status byte calls
// for (running status is not accepted); system exclusive starts with 0xF0.
int32_t MIDIOut_PutMIDIMessage(MIDIOut* port, const uint8_t* message, int32_t length);

// Non-zero once the device behind the port has gone (unplugged, its driver
// removed): the port makes no further driver calls, and whoever owns it
// reopens the device by name when it comes back. 0 for null.
int32_t MIDIIn_IsGone(const MIDIIn* port);
int32_t MIDIOut_IsGone(const MIDIOut* port);
