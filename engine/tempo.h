// Tempo (beats per minute on the tempo scroll bar) and tempo mode (own
// tempo, or follow the timing received on the MIDI input). User-interface
// thread only.
#pragma once

#include <cstdint>

#include "midi/midi_bytes.h"  // kDefaultTempo, usableTempo

constexpr int32_t kMinimumBpm = 16;
constexpr int32_t kMaximumBpm = 256;

// 60000000 / x both ways: every bpm from 16 to 256 survives the round trip.
int32_t tempoFromBpm(int32_t bpm);
int32_t bpmFromTempo(int32_t tempo);

// A tempo the scroll bar can show: 0 or less, which has no bpm, becomes the
// default 120 bpm; any other is brought into kMinimumBpm..kMaximumBpm
// (234375..3750000), so the window, the clocks and the next save agree.
int32_t tempoInScrollRange(int32_t tempo);

// The sync mode both clocks get from tempoMode and midiInSyncMode:
// kInSyncNone while the player keeps its own tempo or the input is not
// followed, else kInSyncTimingClock or (for any other input mode)
// kInSyncTimeCode.
int32_t clockSyncMode(int32_t tempoMode, int32_t midiInSyncMode);

// What the window shows of the tempo: the bpm on the scroll bar and in the
// tempo text, and whether the two can be used (only while the player keeps
// its own tempo).
struct TempoView {
    int32_t bpm;
    bool ownTempo;
};
TempoView tempoView();

// Sets the tempo to `bpm`, brought into kMinimumBpm..kMaximumBpm, and
// retunes both clocks; returns the bpm set, which the window shows.
int32_t setTempoBpm(int32_t bpm);

// How the tempo controls change with the tempo mode: `keep` when following
// the input has nothing to follow, else usable with the player's own tempo.
enum class TempoControls { keep, usable, locked };

// kTempoOwn or kTempoFollowInput; any other mode is ignored (keep).
TempoControls setTempoMode(int32_t tempoMode);
