// The pattern player: plays the loaded pattern's drum notes in an endless loop.
#pragma once

// Thread entry: a pass whenever a note, clock pulse or time code falls due,
// and at least every 10 ms, while playerState.mainWindow is set; clears
// playerState.patternThread as its last act.
void patternPlayerThread();

// One iteration's work under the lock: a pass when the pattern plays and
// both the pattern and its clock are present. The caller holds the lock.
void runPatternPass();
