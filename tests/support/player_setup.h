// The player state as the engine and transport tests and the benches start
// it: every drum group on at level 100 and virtual ports opened with their
// mirrors. No test framework here, so bench programs use it too; callers
// check what opened.
#pragma once

#include "engine/player_state.h"
#include "midi/ports/midi_io.h"
#include "midi/status/midi_status.h"
#include "midi/ports/virtual_midi.h"

// Notes leave unfiltered and unscaled.
inline void turnOnAllDrumGroups() {
    for (int g = 0; g < kDrumGroupCount; ++g) {
        playerState.settings.noteCheck[g] = 1;
        playerState.settings.noteLevel[g] = 100;
    }
}

inline void openVirtualInput(const wchar_t* name) {
    VirtualMIDI_CreateInput(name);
    playerState.handles.midiIn = MIDIIn_OpenW(name);
    playerState.handles.midiInStatus = MIDIStatus_Create(0, 16, 2);
}

inline void openVirtualOutput(const wchar_t* name) {
    VirtualMIDI_CreateOutput(name);
    playerState.handles.midiOut = MIDIOut_OpenW(name);
    playerState.handles.midiOutStatus = MIDIStatus_Create(0, 16, 2);
}
