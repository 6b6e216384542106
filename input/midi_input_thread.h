// The MIDI input thread: keeps the input mirror up to date, turns received
// transport messages and played notes into the main window's transport
// commands, locates to a received song position, feeds received timing to
// both clocks and passes the input through to the output (all of it, except
// received sync messages while the player sends its own).
#pragma once

#include <cstdint>

#include "engine/worker_pacing.h"

// Thread entry: raises its own priority one step, then passes as soon as a
// message arrives on midiIn, and at least every 10 ms, while
// playerState.shell.mainWindow is set (`pacing` says how it sleeps between
// passes); clears playerState.shell.inputThread as its last act.
void midiInputThread(WorkerPacing pacing);

// One pass: handles every message waiting on midiIn. The caller holds
// playerState.lock.
void runInputPass();

// The input thread's view of the input mirror: notes held now, all channels.
// The caller holds playerState.lock.
int32_t heldNoteCount();
