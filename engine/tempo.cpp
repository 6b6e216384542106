#include "engine/tempo.h"

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <mutex>

#include "engine/player_state.h"
#include "engine/player_ui.h"
#include "engine/worker_sleep.h"
#include "midi/clock/midi_clock.h"
#include "resources/resource_ids.h"

namespace {

constexpr int32_t kMicrosecondsPerMinute = 60000000;

// Scroll codes of a horizontal scroll notification.
constexpr uint32_t kLineLeft = 0;
constexpr uint32_t kLineRight = 1;
constexpr uint32_t kPageLeft = 2;
constexpr uint32_t kPageRight = 3;
constexpr uint32_t kThumbPosition = 4;
constexpr uint32_t kThumbTrack = 5;
constexpr int32_t kPageStep = 10;

void setTempoText(PlayerUi& ui, const wchar_t* format, int32_t bpm) {
    wchar_t text[16];
    std::swprintf(text, std::size(text), format, bpm);
    ui.setControlText(IDC_TEMPO_TEXT, text);
}

// The bpm can be set only while the player keeps its own tempo.
void showTempoControls(PlayerUi& ui, bool ownTempo) {
    ui.enableControl(IDC_TEMPO_SCROLL, ownTempo);
    ui.showControl(IDC_TEMPO_TEXT, ownTempo);
}

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

void initTempoControls(PlayerUi& ui) {
    PlayerState& p = playerState;
    ui.setChecked(IDC_TEMPO_INTERNAL_RADIO, p.tempoMode == kTempoOwn);
    ui.setChecked(IDC_TEMPO_FOLLOW_RADIO, p.tempoMode != kTempoOwn);
    int32_t bpm = bpmFromTempo(p.tempo);
    ui.setScrollRange(IDC_TEMPO_SCROLL, kMinimumBpm, kMaximumBpm);
    ui.setScrollPosition(IDC_TEMPO_SCROLL, bpm);
    setTempoText(ui, L"%d", bpm);
    showTempoControls(ui, p.tempoMode == kTempoOwn);
}

void scrollTempo(PlayerUi& ui, int32_t scrollControlId, uint32_t scrollCode, uint16_t thumbPosition) {
    QUILLBEX_ASSERT_LOCK_NOT_HELD();
    PlayerState& p = playerState;
    int32_t bpm = ui.getScrollPosition(scrollControlId);
    switch (scrollCode) {
    case kLineLeft: bpm -= 1; break;
    case kLineRight: bpm += 1; break;
    case kPageLeft: bpm -= kPageStep; break;
    case kPageRight: bpm += kPageStep; break;
    case kThumbPosition:
    case kThumbTrack: bpm = thumbPosition; break;
    default: break;  // end of scroll and the like: re-apply as it stands
    }
    if (bpm < kMinimumBpm) bpm = kMinimumBpm;
    if (bpm > kMaximumBpm) bpm = kMaximumBpm;

    p.tempo = tempoFromBpm(bpm);
    {
        std::lock_guard hold(p.lock);
        if (p.patternClock) MIDIClock_SetTempo(p.patternClock, p.tempo);
        if (p.patchClock) MIDIClock_SetTempo(p.patchClock, p.tempo);
    }
    wakePlayers();  // what was due moved with the tempo
    ui.setScrollPosition(scrollControlId, bpm);
    setTempoText(ui, L"%3d", bpm);
}

void setTempoMode(PlayerUi& ui, int32_t commandId) {
    QUILLBEX_ASSERT_LOCK_NOT_HELD();
    PlayerState& p = playerState;
    int32_t syncMode = kInSyncNone;
    if (commandId == IDC_TEMPO_INTERNAL_RADIO) {
        p.tempoMode = kTempoOwn;
    } else if (commandId == IDC_TEMPO_FOLLOW_RADIO) {
        p.tempoMode = kTempoFollowInput;
        // Nothing to follow: the clocks keep their own tempo and the scroll
        // bar stays usable.
        if (p.midiInSyncMode == kInSyncNone) return;
        syncMode = clockSyncMode(p.tempoMode, p.midiInSyncMode);
    } else {
        return;
    }
    if (p.patternClock) {
        std::lock_guard hold(p.lock);
        MIDIClock_SetMIDIInSyncMode(p.patternClock, syncMode);
    }
    if (p.patchClock) {
        std::lock_guard hold(p.lock);
        MIDIClock_SetMIDIInSyncMode(p.patchClock, syncMode);
    }
    wakePlayers();
    showTempoControls(ui, p.tempoMode == kTempoOwn);
}
