#include "engine/sync_output.h"

#include <algorithm>

#include "engine/player_state.h"
#include "midi/clock/midi_clock.h"
#include "midi/midi_bytes.h"
#include "midi/ports/midi_io.h"
#include "midi/status/midi_status.h"

namespace {

// Pulses between the pass's position and its tick, each counted from the
// song's start, so no running count is kept. The products are taken in 64
// bits: a long run at a high resolution would overflow 32.
int64_t clockPulsesInWindow(int32_t tick, int32_t position, int32_t timeMode,
                            int32_t resolution) {
    if (timeMode != kTicksPerQuarterNoteTimeMode || resolution <= 0)
        return 0;  // a pulse per 1/24 quarter note needs ticks per quarter note
    const int64_t a = int64_t{position} * kClockPulsesPerQuarterNote / resolution;
    const int64_t b = int64_t{tick} * kClockPulsesPerQuarterNote / resolution;
    return b > a ? b - a : 0;
}

void sendTimingClock(int32_t tick, int32_t position, int32_t timeMode, int32_t resolution) {
    const int64_t pulses = clockPulsesInWindow(tick, position, timeMode, resolution);
    // All pulses to the port first, then all to the mirror.
    if (playerState.midiOut) {
        for (int64_t i = 0; i < pulses; ++i)
            MIDIOut_PutMIDIMessage(playerState.midiOut, &kTimingClock, 1);
    }
    if (playerState.midiOutStatus) {
        for (int64_t i = 0; i < pulses; ++i)
            MIDIStatus_PutMIDIMessage(playerState.midiOutStatus, &kTimingClock, 1);
    }
}

// The frame within the second at a rate.
int32_t frameAt(int32_t millisec, int32_t rateCode) {
    const int32_t fraction = millisec % 1000;
    switch (rateCode) {
    case kRate24: return fraction * 24 / 1000;
    case kRate25: return fraction * 25 / 1000;
    case kRate2997: return fraction * 2997 / 100000;
    default: return fraction * 30 / 1000;
    }
}

// Hours are not reduced modulo 24.
TimeCode timeCodeAt(int32_t millisec, int32_t rateCode) {
    TimeCode code{};
    code.frames = frameAt(millisec, rateCode);
    code.seconds = (millisec / 1000) % 60;
    code.minutes = (millisec / 60000) % 60;
    code.hours = millisec / 3600000;
    code.rateCode = rateCode;
    return code;
}

// The eight quarter-frame data bytes, piece 0 to 7; piece 7 carries the
// rate code in bits 1-2.
void quarterFrameData(const TimeCode& code, uint8_t data[8]) {
    const int32_t frame = code.frames;
    const int32_t rate = code.rateCode;
    data[0] = static_cast<uint8_t>(0x00 + (frame & 0x0F));
    data[1] = static_cast<uint8_t>(0x10 + ((frame >> 4) & 0x0F));
    data[2] = static_cast<uint8_t>(0x20 + (code.seconds & 0x0F));
    data[3] = static_cast<uint8_t>(0x30 + ((code.seconds >> 4) & 0x0F));
    data[4] = static_cast<uint8_t>(0x40 + (code.minutes & 0x0F));
    data[5] = static_cast<uint8_t>(0x50 + ((code.minutes >> 4) & 0x0F));
    data[6] = static_cast<uint8_t>(0x60 + (code.hours & 0x0F));
    data[7] = static_cast<uint8_t>(0x70 + (rate << 1) + ((code.hours >> 4) & 0x01));
}

// A whole time code goes out in the first pass after each change of frame,
// second or minute; the memory is kept for all four rates so that a switch
// of rate compares against the previous pass.
void sendTimeCode(int32_t millisec, int32_t rate) {
    PlayerState& p = playerState;
    const TimeCode code = timeCodeAt(millisec, rate);
    const bool changed = code.frames != p.lastMtcFrame[rate] ||
                         code.seconds != p.lastMtcSecond || code.minutes != p.lastMtcMinute;
    if (changed) {
        uint8_t data[8];
        quarterFrameData(code, data);
        if (p.midiOut) {
            for (uint8_t piece : data) {
                const uint8_t message[2] = {kQuarterFrame, piece};
                MIDIOut_PutMIDIMessage(p.midiOut, message, 2);
            }
        }
        if (p.midiOutStatus) {
            for (uint8_t piece : data) {
                const uint8_t message[2] = {kQuarterFrame, piece};
                MIDIStatus_PutMIDIMessage(p.midiOutStatus, message, 2);
            }
        }
    }
    p.lastMtcSecond = code.seconds;
    p.lastMtcMinute = code.minutes;
    for (int32_t r = 0; r < kTimeCodeRateCount; ++r)
        p.lastMtcFrame[r] = frameAt(millisec, r);
}

// A pulse goes out when tick * 24 / resolution passes position * 24 /
// resolution: the next one at the first tick whose count is one more.
int64_t nextClockPulseTime(const MIDIClock* clock, int32_t position, int32_t timeMode,
                           int32_t resolution) {
    if (timeMode != kTicksPerQuarterNoteTimeMode || resolution <= 0)
        return kMIDIClockUnknownTime;
    if (position < 0)
        return MIDIClock_GetTimeOfTickCount(clock, position + 1);
    const int64_t pulse = int64_t{position} * kClockPulsesPerQuarterNote / resolution + 1;
    const int64_t tick = (pulse * resolution + kClockPulsesPerQuarterNote - 1) / kClockPulsesPerQuarterNote;
    if (tick > INT32_MAX)
        return kMIDIClockUnknownTime;
    return MIDIClock_GetTimeOfTickCount(clock, static_cast<int32_t>(tick));
}

// A time code goes out when the frame of its rate, the second or the
// minute changes: at the next frame's first millisecond, or the next
// second's. Due at once when the clock's code already differs from the
// last one sent.
int64_t nextTimeCodeTime(const MIDIClock* clock, int32_t rate) {
    const int32_t millisec = MIDIClock_GetMillisec(clock);
    if (millisec < 0)
        return kMIDIClockUnknownTime;
    const PlayerState& p = playerState;
    const TimeCode code = timeCodeAt(millisec, rate);
    if (code.frames != p.lastMtcFrame[rate] || code.seconds != p.lastMtcSecond ||
        code.minutes != p.lastMtcMinute)
        return MIDIClock_GetTimeOfMillisec(clock, millisec);
    // frame = fraction * framesPer / per, as timeCodeAt counts it
    static constexpr int64_t framesPer[4] = {24, 25, 2997, 30};
    static constexpr int64_t per[4] = {1000, 1000, 100000, 1000};
    const int64_t fraction = millisec % 1000;
    const int64_t nextFrame = ((code.frames + 1) * per[rate] + framesPer[rate] - 1) / framesPer[rate];
    const int64_t next = millisec - fraction + std::min<int64_t>(nextFrame, 1000);
    if (next > INT32_MAX)
        return kMIDIClockUnknownTime;
    return MIDIClock_GetTimeOfMillisec(clock, static_cast<int32_t>(next));
}

}  // namespace

int64_t nextSyncOutputTime(const MIDIClock* clock, int32_t position, int32_t timeMode,
                           int32_t resolution) {
    const int32_t mode = playerState.midiOutSyncMode.load();
    if (mode == 1)
        return nextClockPulseTime(clock, position, timeMode, resolution);
    if (mode >= 2 && mode <= 5)
        return nextTimeCodeTime(clock, mode - 2);
    return kMIDIClockUnknownTime;
}

void sendSyncOutput(int32_t millisec, int32_t tick, int32_t position, int32_t timeMode,
                    int32_t resolution) {
    QUILLBEX_ASSERT_LOCK_HELD();
    const int32_t mode = playerState.midiOutSyncMode.load();
    if (mode == kOutSyncTimingClock)
        sendTimingClock(tick, position, timeMode, resolution);
    else if (mode >= kOutSyncTimeCode24 && mode <= kOutSyncTimeCode30)
        sendTimeCode(millisec, mode - kOutSyncTimeCode24);
}

void sendTransportByte(uint8_t byte) {
    QUILLBEX_ASSERT_LOCK_HELD();
    if (playerState.midiOutSyncMode.load() != kOutSyncNone && playerState.midiOut)
        MIDIOut_PutMIDIMessage(playerState.midiOut, &byte, 1);
}
