// MIDI time code: eight quarter-frame pieces (0xF1) or one full-frame
// message (F0 7F dev 01 01 hh mm ss ff F7) carry hh:mm:ss:ff and a rate code
// (0 = 24, 1 = 25, 2 = 29.97 drop-frame, 3 = 30 frames per second). What the
// player sends and what the clock receives are built and read here.
#pragma once

#include <array>
#include <cstdint>

#include "midi/midi_bytes.h"

// Position of the code on the time line, in nanoseconds from 00:00:00:00.
// Drop-frame code skips frame numbers 0 and 1 at the start of every minute
// except each tenth, so its frames count real 29.97 fps time.
int64_t timeCodeNanoseconds(const TimeCode& code);
int64_t frameNanoseconds(int32_t rateCode);

// The eight quarter-frame data bytes, piece 0 to 7; piece 7 carries the
// rate code in bits 1-2.
std::array<uint8_t, 8> encodeQuarterFrames(const TimeCode& code);
// The full-frame message to all devices (7F).
std::array<uint8_t, 10> encodeFullFrame(const TimeCode& code);

// Decodes a full-frame message; false when `message` is anything else or
// holds values out of range.
bool decodeFullFrame(const uint8_t* message, int32_t length, TimeCode* code);

// Puts quarter frames together. Pieces must arrive in order 0 to 7; piece 7
// completes the code. A code is the time at which its piece 0 was sent, so
// its arrival time is kept along with it.
class QuarterFrameAssembler {
public:
    // Takes the data byte of one 0xF1 received at `now`. True when it
    // completes a valid code, returned with the arrival time of its piece 0.
    bool put(uint8_t data, int64_t now, TimeCode* code, int64_t* pieceZeroTime);
    void forget() { nextPiece_ = 0; }

private:
    uint8_t nibbles_[8] = {};
    int32_t nextPiece_ = 0;
    int64_t pieceZeroTime_ = 0;
};
