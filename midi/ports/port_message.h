// Byte rules shared by every port backend: how long a short message is by
// its status byte, which outgoing messages a port accepts, and how system
// exclusive arriving in pieces is put back together.
#pragma once

#include <cstdint>

#include "midi/ports/midi_io.h"

class PortQueue;

// Length on the wire of a message that starts with `status`: 3 for note-off,
// note-on, key pressure, control change, pitch bend and song position; 2 for
// program change, channel pressure, quarter frame and song select; 1 for the
// other system common and real-time bytes. 0 for a data byte (no status) and
// for 0xF0, whose length is found by its closing 0xF7.
int32_t shortMessageLength(uint8_t status);

// Unpacks a short message as a driver hands it over, status in the low
// byte; returns its length, 0 when the low byte is no status byte.
int32_t unpackShortMessage(uint32_t packed, uint8_t bytes[3]);
// The reverse, for sending: up to three bytes, the first in the low byte.
uint32_t packShortMessage(const uint8_t* message, int32_t length);

// True when `message` is one complete message a port may send: a status
// byte followed by exactly its data bytes (all below 0x80), or a system
// exclusive message beginning with 0xF0.
bool isSendableMessage(const uint8_t* message, int32_t length);

// Collects system exclusive from pieces (WinMM hands long messages over in
// buffers, possibly several per message) and queues each complete message,
// stamped with the time of the piece that began it. A message that cannot
// be whole is dropped and counted once, never queued: one longer than
// kMIDIMessageMax, one cut short by another status byte, one whose piece
// went missing (lostPiece), and the remains of one whose beginning was lost,
// which are skipped up to the next 0xF0 or 0xF7. A real-time byte between
// the pieces' bytes is queued on its own, as it arrived.
// Used by one producer thread at a time.
class SysExAssembler {
public:
    // Feeds one piece; returns false when something was dropped.
    bool feed(const uint8_t* data, int32_t length, PortQueue& queue, int64_t receivedAt = kMIDIInNoTime);
    // The driver lost data or reported a piece incomplete: the message in
    // progress (or, between messages, whatever follows up to the next 0xF0)
    // is dropped and counted.
    void lostPiece(PortQueue& queue);
    // True between a 0xF0 and its 0xF7.
    bool active() const { return state_ == State::Collecting; }
    // Forgets a message in progress without counting it (the port reopened).
    void abandon() { state_ = State::Idle; length_ = 0; }

private:
    enum class State { Idle, Collecting, Skipping };
    void drop(PortQueue& queue);

    uint8_t bytes_[kMIDIMessageMax] = {};
    int32_t length_ = 0;
    int64_t startedAt_ = kMIDIInNoTime;
    State state_ = State::Idle;
};
