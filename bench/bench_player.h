// The player as the timing benches set it up: every drum group on, virtual
// input and output ports, the pattern from memory and the clocks at `tempo`,
// as start-up would leave them before the workers start.
#pragma once

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <vector>

#include "engine/player_state.h"
#include "engine/transport.h"
#include "engine/worker_sleep.h"
#include "midi/clock/midi_clock.h"
#include "midi/ports/virtual_midi.h"
#include "midi/song/midi_data.h"
#include "runtime/workers.h"
#include "tests/support/player_setup.h"
#include "tests/support/recording_player_ui.h"

// False, with a line on stderr, when a port, the pattern or the clock is
// missing.
inline bool setUpBenchPlayer(RecordingPlayerUi& window, const std::vector<uint8_t>& smf,
                             int32_t tempo, const wchar_t* input, const wchar_t* output) {
    PlayerState& p = playerState;
    p.settings.tempo = tempo;
    p.transport.patternPlaying = 0;  // an earlier run in the same process left it set
    turnOnAllDrumGroups();
    openVirtualInput(input);
    openVirtualOutput(output);
    VirtualMIDI_ClearSent(output);
    p.handles.patternData = MIDIData_LoadFromMemory(smf.data(), smf.size());
    createClocks();
    if (p.handles.midiIn && p.handles.midiOut && p.handles.patternData && p.handles.patternClock) return true;
    std::fprintf(stderr, "could not set up the ports, the pattern or the clock\n");
    return false;
}

// Sets the player up as above with `window` as its main window and starts
// the three workers, as the main window's initialisation does, paced by
// `pacing`.
inline bool startBenchPlayer(RecordingPlayerUi& window, const std::vector<uint8_t>& smf, int32_t tempo,
                             const wchar_t* input, const wchar_t* output,
                             WorkerPacing pacing = WorkerPacing::WakeWhenDue) {
    if (!setUpBenchPlayer(window, smf, tempo, input, output)) return false;
    playerState.shell.mainWindow = &window;
    if (startWorkerThreads(pacing)) return true;
    std::fprintf(stderr, "could not start the worker threads\n");
    return false;
}

// Starts the pattern as Start does (without the transport byte) and returns
// the time the clock starts from, on the scale of MIDIClockLib_Now.
inline int64_t startBenchPattern() {
    PlayerState& p = playerState;
    std::lock_guard guard(p.lock);
    p.transport.patternPlaying = 1;
    p.transport.patternPosition = 0;
    MIDIClock_Reset(p.handles.patternClock);
    MIDIClock_Start(p.handles.patternClock);
    const int64_t startNs = MIDIClockLib_Now();
    wakePlayers();
    return startNs;
}
