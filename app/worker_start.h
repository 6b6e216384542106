// The worker threads' start as the main window's initialisation runs it:
// a worker that cannot be created fails the start-up instead of leaving the
// program running without it.
#pragma once

// Runs `startWorkers`. When it fails: a box owned by the main window says so,
// the main window's run ends before the window shows, and workerStartFailed()
// is true from then on, so start-up ends with exit code 0 without saving.
bool startWorkersOrEndRun(bool (*startWorkers)());

bool workerStartFailed();
