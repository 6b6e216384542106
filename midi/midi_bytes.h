// The MIDI vocabulary every part of the player speaks: status bytes by
// name, how many data bytes follow each, the drum channel, the sync and
// tempo modes the settings store as numbers, and the time code value.
#pragma once

#include <cstdint>

// Channel messages: the kind in the high nibble, the channel (0..15) in the
// low one.
constexpr uint8_t kNoteOff = 0x80;
constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kKeyPressure = 0xA0;
constexpr uint8_t kControlChange = 0xB0;
constexpr uint8_t kProgramChange = 0xC0;
constexpr uint8_t kChannelPressure = 0xD0;
constexpr uint8_t kPitchBend = 0xE0;

// System common messages.
constexpr uint8_t kSystemExclusive = 0xF0;
constexpr uint8_t kQuarterFrame = 0xF1;
constexpr uint8_t kSongPositionPointer = 0xF2;
constexpr uint8_t kSongSelect = 0xF3;
constexpr uint8_t kTuneRequest = 0xF6;
constexpr uint8_t kEndOfExclusive = 0xF7;

// System real-time messages: one byte each.
constexpr uint8_t kTimingClock = 0xF8;
constexpr uint8_t kMidiStart = 0xFA;
constexpr uint8_t kMidiContinue = 0xFB;
constexpr uint8_t kMidiStop = 0xFC;
constexpr uint8_t kActiveSensing = 0xFE;
constexpr uint8_t kSystemReset = 0xFF;

// In a Standard MIDI File 0xFF starts a meta event instead.
constexpr uint8_t kMetaEvent = 0xFF;

// A full-frame time code message: F0 7F <device> 01 01 hh mm ss ff F7.
constexpr uint8_t kUniversalRealTime = 0x7F;
constexpr uint8_t kTimeCodeSubId = 0x01;
constexpr uint8_t kFullFrameSubId = 0x01;

constexpr int32_t kMidiChannelCount = 16;

// Controller numbers.
constexpr uint8_t kSustainPedal = 64;
constexpr uint8_t kAllNotesOff = 123;

constexpr bool isStatusByte(uint8_t byte) { return byte >= 0x80; }
// The kind of a channel message (kNoteOn, ...); 0xF0 for a system message.
constexpr uint8_t messageKind(uint8_t status) { return status & 0xF0; }

// Data bytes after `status`: 2 after note-off, note-on, key pressure,
// control change and pitch bend; 1 after program change and channel
// pressure; 1 after quarter frame and song select, 2 after song position,
// 0 after every other byte from 0xF4 to 0xFF. -1 when the length is not
// fixed: for a data byte (no status) and for 0xF0, which runs to its 0xF7.
// (In a file 0xF7 and 0xFF start escape and meta events, which carry their
// own length; a file reader handles them before asking.)
constexpr int32_t midiDataLength(uint8_t status) {
    if (!isStatusByte(status) || status == kSystemExclusive) return -1;
    switch (messageKind(status)) {
    case kProgramChange:
    case kChannelPressure: return 1;
    case 0xF0: break;
    default: return 2;
    }
    switch (status) {
    case kQuarterFrame:
    case kSongSelect: return 1;
    case kSongPositionPointer: return 2;
    default: return 0;
    }
}

// General MIDI percussion: channel 10, and the status byte of its notes.
// The pattern sends a note-off as this status with velocity 0, so running
// status stays on it.
constexpr int32_t kDrumChannel = 9;
constexpr uint8_t kDrumNoteOn = kNoteOn | kDrumChannel;

// Timing clock pulses per quarter note.
constexpr int32_t kClockPulsesPerQuarterNote = 24;
// A song position counts sixteenth notes, six pulses each, in 14 bits.
constexpr int32_t kClockPulsesPerSixteenth = 6;
constexpr int32_t kMaxSongPosition = 0x3FFF;

// midiInSyncMode, and the sync mode of a clock: what the player follows on
// its MIDI input.
enum MidiInSyncMode : int32_t {
    kInSyncNone = 0,         // its own tempo
    kInSyncTimingClock = 1,  // timing clock, song position
    kInSyncTimeCode = 2,     // quarter frames and full-frame messages
};

// midiOutSyncMode: the timing the player sends as master. The four time
// code modes are kOutSyncTimeCode24 plus the rate code.
enum MidiOutSyncMode : int32_t {
    kOutSyncNone = 0,
    kOutSyncTimingClock = 1,
    kOutSyncTimeCode24 = 2,
    kOutSyncTimeCode25 = 3,
    kOutSyncTimeCode2997 = 4,
    kOutSyncTimeCode30 = 5,
};

// tempoMode: any value other than kTempoOwn follows the MIDI input.
enum TempoMode : int32_t {
    kTempoOwn = 0,
    kTempoFollowInput = 1,
};

// Rate codes of MIDI time code, as bits 5-6 of the hours byte carry them.
enum TimeCodeRate : int32_t {
    kRate24 = 0,
    kRate25 = 1,
    kRate2997 = 2,  // drop-frame
    kRate30 = 3,
};
constexpr int32_t kTimeCodeRateCount = 4;

// A time code position: hh:mm:ss:ff at a rate. Hours run to 31 in the five
// bits the messages give them; the sender does not wrap them at 24.
struct TimeCode {
    int32_t hours;
    int32_t minutes;
    int32_t seconds;
    int32_t frames;
    int32_t rateCode;
};

// A song's and clock's time mode counting ticks per quarter note; the
// others (24, 25, 29, 30) count ticks per frame.
constexpr int32_t kTicksPerQuarterNoteTimeMode = 0;

// Microseconds per quarter note when nothing says otherwise: 120 beats per
// minute. A tempo of 0 or less has no beats per minute and runs at it.
constexpr int32_t kDefaultTempo = 500000;
constexpr int32_t usableTempo(int32_t tempo) { return tempo > 0 ? tempo : kDefaultTempo; }
