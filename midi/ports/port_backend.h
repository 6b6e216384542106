// What stands behind midi_io.h: the concrete port types and the backends
// that list and open them. The registry (midi_io.cpp) asks the virtual
// backend first, the loop-back pipes second and the system's backend last.
#pragma once

#include <cstdint>
#include <string>

#include "midi/ports/midi_io.h"

// An open input port. Whatever receives its messages (a driver callback or
// a test) fills a PortQueue; the reader drains it through getMessage.
struct MIDIIn {
    virtual ~MIDIIn() = default;
    virtual int32_t getMessage(uint8_t* buffer, int32_t size) = 0;
    // The same, and when the message arrived (see MIDIIn_GetMIDIMessageAt);
    // kMIDIInNoTime from a port that cannot tell.
    virtual int32_t getMessageAt(uint8_t* buffer, int32_t size, int64_t* receivedAt) {
        *receivedAt = kMIDIInNoTime;
        return getMessage(buffer, size);
    }
    virtual int64_t droppedCount() const = 0;
    // Whatever queues a message signals `wake` afterwards.
    virtual void setArrivalWakeUp(WakeUp* wake) = 0;
    // True once the device has gone; see MIDIIn_IsGone.
    virtual bool isGone() const { return false; }
};

// An open output port. putMessage is given only messages that pass
// isSendableMessage (port_message.h).
struct MIDIOut {
    virtual ~MIDIOut() = default;
    virtual int32_t putMessage(const uint8_t* message, int32_t length) = 0;
    // True once the device has gone; see MIDIOut_IsGone.
    virtual bool isGone() const { return false; }
};

// One kind of device. Names are listed by index; open returns null when the
// backend has no device of that name or the device refuses to open.
struct MIDIPortBackend {
    int32_t (*inputCount)();
    bool (*inputName)(int32_t index, std::wstring* name);
    MIDIIn* (*openInput)(const wchar_t* name);
    int32_t (*outputCount)();
    bool (*outputName)(int32_t index, std::wstring* name);
    MIDIOut* (*openOutput)(const wchar_t* name);
};

const MIDIPortBackend& virtualPortBackend();
// The operating system's MIDI devices (WinMM on Windows); null where the
// program has none.
const MIDIPortBackend* systemPortBackend();
// The loop-back pipe ports a test program drives from outside the process
// (loopback_pipe.h); null unless the environment names their pipes.
const MIDIPortBackend* loopbackPortBackend();

// A 1 ms system timer period while any port is open, so that the workers'
// 10 ms sleeps last 10 ms (reference-counted; nothing to do off Windows).
void holdFineTimer();
void releaseFineTimer();
