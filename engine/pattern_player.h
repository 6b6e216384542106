// The pattern player: plays the loaded pattern's drum notes in an endless loop.
#pragma once

#include "engine/worker_pacing.h"

// Thread entry: a pass whenever a note, clock pulse or time code falls due,
// and at least every 10 ms, while playerState.shell.mainWindow is set (`pacing`
// says how it sleeps between passes); clears playerState.shell.patternThread as
// its last act.
void patternPlayerThread(WorkerPacing pacing);

// One iteration's work under the lock: a pass when the pattern plays and
// both the pattern and its clock are present. The caller holds the lock.
void runPatternPass();
