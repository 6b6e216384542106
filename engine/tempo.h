// Tempo (beats per minute on the tempo scroll bar) and tempo mode (own
// tempo, or follow the timing received on the MIDI input). User-interface
// thread only.
#pragma once

#include <cstdint>

#include "midi/midi_bytes.h"  // kDefaultTempo, usableTempo

class PlayerUi;

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

// Sets the radio buttons, the scroll bar and the tempo text from tempo and
// tempoMode at start-up ("%d").
void initTempoControls(PlayerUi& ui);

// A horizontal scroll notification: code 0/1 line, 2/3 page, 4/5 thumb; any
// other code keeps the position but still re-applies the tempo.
void scrollTempo(PlayerUi& ui, int32_t scrollControlId, uint32_t scrollCode, uint16_t thumbPosition);

// Command 13654 (own tempo) or 13655 (follow the input); other ids are ignored.
void setTempoMode(PlayerUi& ui, int32_t commandId);
