// The patch player: a set-up file from the `patch` folder, sent once, in
// time, on the output port when it is chosen.
#pragma once

#include "engine/warning.h"
#include "engine/worker_pacing.h"

// User-interface thread: loads the patch `name` of the patch folder and
// starts sending it from tick 0, abandoning a patch still being sent; the
// warning to show with the file's path, if any.
SongLoadResult selectPatch(const wchar_t* name);

// Thread entry: a pass whenever an event of the patch falls due, and at
// least every 10 ms, while playerState.shell.mainWindow is set (`pacing` says how
// it sleeps between passes); clears playerState.shell.patchThread as its last act.
void patchPlayerThread(WorkerPacing pacing);

// One iteration's work: sends the patch's MIDI events that fell due since the
// previous pass, track by track. The caller holds playerState.lock.
void runPatchPass();
