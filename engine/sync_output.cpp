#include "engine/sync_output.h"

#include <algorithm>
#include <array>

#include "engine/player_state.h"
#include "midi/clock/midi_clock.h"
#include "midi/clock/time_code.h"
#include "midi/midi_bytes.h"
#include "midi/ports/midi_io.h"
#include "midi/status/midi_status.h"

namespace {

// Pulse k of a quarter-note time base stands on tick ceil(k * 24ths): pulse 0
// on tick 0, the start position itself, as a follower counts from the first
// pulse after Start. These are the pulses whose ticks lie in [from, through].
// The products are taken in 64 bits: a long run at a high resolution would
// overflow 32.
struct PulseRange {
    int64_t first = 0;  // index of the first pulse
    int64_t count = 0;
};

bool hasQuarterNotes(int32_t timeMode, int32_t resolution) {
    return timeMode == kTicksPerQuarterNoteTimeMode && resolution > 0;
}

int64_t floorDiv(int64_t a, int64_t b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// The first pulse at or after `tick`: the least k with k * resolution / 24 > tick - 1.
int64_t unclampedPulseFrom(int64_t tick, int32_t resolution) {
    return floorDiv((tick - 1) * kClockPulsesPerQuarterNote, resolution) + 1;
}

int64_t firstPulseFrom(int64_t tick, int32_t resolution) {
    return std::max<int64_t>(unclampedPulseFrom(tick, resolution), 0);
}

int64_t tickOfPulse(int64_t pulse, int32_t resolution) {
    return (pulse * resolution + kClockPulsesPerQuarterNote - 1) / kClockPulsesPerQuarterNote;
}

PulseRange clockPulsesInWindow(int32_t from, int32_t through, int32_t timeMode, int32_t resolution) {
    PulseRange range;
    if (!hasQuarterNotes(timeMode, resolution))
        return range;  // a pulse per 1/24 quarter note needs ticks per quarter note
    range.first = firstPulseFrom(from, resolution);
    const int64_t last = floorDiv(int64_t{through} * kClockPulsesPerQuarterNote, resolution);
    range.count = std::max<int64_t>(last - range.first + 1, 0);
    return range;
}

void putToPortAndMirror(const uint8_t* message, int32_t length, bool mirrored) {
    if (playerState.handles.midiOut) MIDIOut_PutMIDIMessage(playerState.handles.midiOut, message, length);
    if (mirrored && playerState.handles.midiOutStatus)
        MIDIStatus_PutMIDIMessage(playerState.handles.midiOutStatus, message, length);
}

void sendPulse() {
    putToPortAndMirror(&kTimingClock, 1, true);
    ++playerState.transport.clockFollowerPulse;
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

// A whole time code goes out in the first pass after each change of frame,
// second or minute; the memory is kept for all four rates so that a switch
// of rate compares against the previous pass.
void sendTimeCode(int32_t millisec, int32_t rate) {
    PlayerState& p = playerState;
    const TimeCode code = timeCodeAt(millisec, rate);
    const bool changed = code.frames != p.transport.lastMtcFrame[rate] ||
                         code.seconds != p.transport.lastMtcSecond || code.minutes != p.transport.lastMtcMinute;
    if (changed) {
        const std::array<uint8_t, 8> data = encodeQuarterFrames(code);
        if (p.handles.midiOut) {
            for (uint8_t piece : data) {
                const uint8_t message[2] = {kQuarterFrame, piece};
                MIDIOut_PutMIDIMessage(p.handles.midiOut, message, 2);
            }
        }
        if (p.handles.midiOutStatus) {
            for (uint8_t piece : data) {
                const uint8_t message[2] = {kQuarterFrame, piece};
                MIDIStatus_PutMIDIMessage(p.handles.midiOutStatus, message, 2);
            }
        }
    }
    p.transport.lastMtcSecond = code.seconds;
    p.transport.lastMtcMinute = code.minutes;
    for (int32_t r = 0; r < kTimeCodeRateCount; ++r)
        p.transport.lastMtcFrame[r] = frameAt(millisec, r);
}

// The next pulse at or after `position`, due when the clock reaches its tick.
int64_t nextClockPulseTime(const MIDIClock* clock, int32_t position, int32_t timeMode,
                           int32_t resolution) {
    if (!hasQuarterNotes(timeMode, resolution))
        return kMIDIClockUnknownTime;
    const int64_t tick = tickOfPulse(firstPulseFrom(position, resolution), resolution);
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
    if (code.frames != p.transport.lastMtcFrame[rate] || code.seconds != p.transport.lastMtcSecond ||
        code.minutes != p.transport.lastMtcMinute)
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
    const int32_t mode = playerState.settings.midiOutSyncMode.load();
    if (mode == kOutSyncTimingClock)
        return nextClockPulseTime(clock, position, timeMode, resolution);
    if (mode >= kOutSyncTimeCode24 && mode <= kOutSyncTimeCode30)
        return nextTimeCodeTime(clock, mode - kOutSyncTimeCode24);
    return kMIDIClockUnknownTime;
}

void sendClockPulses(int32_t from, int32_t through, int32_t timeMode, int32_t resolution) {
    QUILLBEX_ASSERT_LOCK_HELD();
    if (playerState.settings.midiOutSyncMode.load() != kOutSyncTimingClock) return;
    const int64_t pulses = clockPulsesInWindow(from, through, timeMode, resolution).count;
    for (int64_t i = 0; i < pulses; ++i) sendPulse();
}

void sendSyncOutput(int32_t millisec, int32_t from, int32_t through, int32_t timeMode,
                    int32_t resolution) {
    QUILLBEX_ASSERT_LOCK_HELD();
    const int32_t mode = playerState.settings.midiOutSyncMode.load();
    if (mode == kOutSyncTimingClock)
        sendClockPulses(from, through, timeMode, resolution);
    else if (mode >= kOutSyncTimeCode24 && mode <= kOutSyncTimeCode30)
        sendTimeCode(millisec, mode - kOutSyncTimeCode24);
}

void followClockJump(int64_t from, int64_t to, int32_t timeMode, int32_t resolution) {
    QUILLBEX_ASSERT_LOCK_HELD();
    PlayerState& p = playerState;
    if (p.settings.midiOutSyncMode.load() != kOutSyncTimingClock || !hasQuarterNotes(timeMode, resolution))
        return;
    // The pulses the music moved over, counted as the next pulse to go out
    // before and after; a song position reaches 16383 sixteenths at most.
    constexpr int64_t kLastPulse = int64_t{kMaxSongPosition} * kClockPulsesPerSixteenth + kClockPulsesPerSixteenth - 1;
    const int64_t moved = unclampedPulseFrom(to, resolution) - unclampedPulseFrom(from, resolution);
    const int64_t landing = std::clamp<int64_t>(p.transport.clockFollowerPulse + moved, 0, kLastPulse);
    if (landing == p.transport.clockFollowerPulse) return;
    const int64_t sixteenth = landing / kClockPulsesPerSixteenth;
    const uint8_t songPosition[3] = {kSongPositionPointer, static_cast<uint8_t>(sixteenth & 0x7F),
                                     static_cast<uint8_t>((sixteenth >> 7) & 0x7F)};
    putToPortAndMirror(&kMidiStop, 1, false);
    putToPortAndMirror(songPosition, 3, true);
    putToPortAndMirror(&kMidiContinue, 1, false);
    p.transport.clockFollowerPulse = sixteenth * kClockPulsesPerSixteenth;
    while (p.transport.clockFollowerPulse < landing) sendPulse();
}

void clockFollowerLocated(int32_t songPosition) {
    playerState.transport.clockFollowerPulse = int64_t{songPosition} * kClockPulsesPerSixteenth;
}

void sendTransportByte(uint8_t byte) {
    QUILLBEX_ASSERT_LOCK_HELD();
    if (byte == kMidiStart) playerState.transport.clockFollowerPulse = 0;
    if (playerState.settings.midiOutSyncMode.load() != kOutSyncNone && playerState.handles.midiOut)
        MIDIOut_PutMIDIMessage(playerState.handles.midiOut, &byte, 1);
}
