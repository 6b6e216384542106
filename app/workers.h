// Start and stop of the three worker threads (MIDI input, pattern player,
// patch player), and the release of the objects they share.
#pragma once

// Starts the MIDI input, pattern and patch threads, in that order, once the
// clocks, mirrors and ports exist and playerState.mainWindow is set. Each
// thread's flag (inputThread, patternThread, patchThread) is set before the
// thread starts; the thread clears it as its last act. Returns false when a
// thread could not be created (its flag stays clear, the others run).
bool startWorkerThreads();

// Clears playerState.mainWindow, which makes every worker leave its loop at
// the top of its next pass, waits up to 100 x 10 ms for the three flags to
// clear, and joins the threads. Returns false when a worker was still running
// after the wait. The PlayerUi that mainWindow pointed to must stay alive
// until this returns, and it must run before the process ends: a thread
// still joinable at exit ends the program abnormally.
bool stopWorkerThreads();

// Under the lock: deletes the mirrors, the songs and the clocks, closes the
// ports, and leaves every one of those fields null. Call it after
// stopWorkerThreads.
void releasePlayerObjects();
