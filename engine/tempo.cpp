#include "engine/tempo.h"

#include <algorithm>
#include <mutex>

#include "engine/player_state.h"
#include "engine/worker_sleep.h"
#include "midi/clock/midi_clock.h"

namespace {

constexpr int32_t kMicrosecondsPerMinute = 60000000;

}  // namespace

int32_t tempoFromBpm(int32_t bpm) {
    return bpm > 0 ? kMicrosecondsPerMinute / bpm : kDefaultTempo;
}

int32_t bpmFromTempo(int32_t tempo) {
    return kMicrosecondsPerMinute / usableTempo(tempo);
}

int32_t tempoInScrollRange(int32_t tempo) {
    if (tempo <= 0) return kDefaultTempo;
    return std::clamp(tempo, tempoFromBpm(kMaximumBpm), tempoFromBpm(kMinimumBpm));
}

int32_t clockSyncMode(int32_t tempoMode, int32_t midiInSyncMode) {
    if (tempoMode == kTempoOwn || midiInSyncMode == kInSyncNone) return kInSyncNone;
    return midiInSyncMode == kInSyncTimingClock ? kInSyncTimingClock : kInSyncTimeCode;
}

TempoView tempoView() {
    const PlayerState& p = playerState;
    return {bpmFromTempo(p.settings.tempo), p.settings.tempoMode == kTempoOwn};
}

int32_t setTempoBpm(int32_t bpm) {
    QUILLBEX_ASSERT_LOCK_NOT_HELD();
    PlayerState& p = playerState;
    bpm = std::clamp(bpm, kMinimumBpm, kMaximumBpm);
    p.settings.tempo = tempoFromBpm(bpm);
    {
        std::lock_guard hold(p.lock);
        if (p.handles.patternClock) MIDIClock_SetTempo(p.handles.patternClock, p.settings.tempo);
        if (p.handles.patchClock) MIDIClock_SetTempo(p.handles.patchClock, p.settings.tempo);
    }
    wakePlayers();  // what was due moved with the tempo
    return bpm;
}

TempoControls setTempoMode(int32_t tempoMode) {
    QUILLBEX_ASSERT_LOCK_NOT_HELD();
    PlayerState& p = playerState;
    int32_t syncMode = kInSyncNone;
    if (tempoMode == kTempoOwn) {
        p.settings.tempoMode = kTempoOwn;
    } else if (tempoMode == kTempoFollowInput) {
        p.settings.tempoMode = kTempoFollowInput;
        // Nothing to follow: the clocks keep their own tempo and the scroll
        // bar stays usable.
        if (p.settings.midiInSyncMode == kInSyncNone) return TempoControls::keep;
        syncMode = clockSyncMode(p.settings.tempoMode, p.settings.midiInSyncMode);
    } else {
        return TempoControls::keep;
    }
    if (p.handles.patternClock) {
        std::lock_guard hold(p.lock);
        MIDIClock_SetMIDIInSyncMode(p.handles.patternClock, syncMode);
    }
    if (p.handles.patchClock) {
        std::lock_guard hold(p.lock);
        MIDIClock_SetMIDIInSyncMode(p.handles.patchClock, syncMode);
    }
    wakePlayers();
    return p.settings.tempoMode == kTempoOwn ? TempoControls::usable : TempoControls::locked;
}
