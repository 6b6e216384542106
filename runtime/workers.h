// Start and stop of the three worker threads (MIDI input, pattern player,
// patch player), and the release of the objects they share.
#pragma once

#include "engine/worker_pacing.h"

// Starts the MIDI input, pattern and patch threads, in that order, once the
// clocks, mirrors and ports exist and playerState.shell.mainWindow is set, all
// three paced by `pacing`. Each thread's flag (inputThread, patternThread,
// patchThread) is set before the thread starts; the thread clears it as its
// last act. Returns false when a thread could not be created (its flag
// stays clear, the others run).
bool startWorkerThreads(WorkerPacing pacing);

// The program's workers: waking when due.
inline bool startWorkerThreads() {
    return startWorkerThreads(WorkerPacing::WakeWhenDue);
}

// Clears playerState.shell.mainWindow, which makes every worker leave its loop at
// the top of its next pass, waits up to 100 x 10 ms for the three flags to
// clear, and joins the threads that cleared theirs. A worker still running
// after the wait is let go (detached), never waited for: it may be stuck in
// a driver call, holding the lock. Returns false then, and the caller must
// neither take the lock nor release the player's objects, but end the
// process. The PlayerUi that mainWindow pointed to must stay alive until
// this returns.
bool stopWorkerThreads();

// Under the lock: deletes the mirrors, the songs and the clocks, closes the
// ports, and leaves every one of those fields null. Call it after
// stopWorkerThreads has returned true.
void releasePlayerObjects();
