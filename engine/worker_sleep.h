// The wait between two passes of a worker thread.
//
// A worker sleeps until its next message falls due (a note, a clock pulse,
// a time code), at most one pass period, and wakes early when its wake-up
// is signalled: the transport and tempo operations, a pattern or patch
// choice and received timing signal the players, a received message or a
// reopened input port the input thread, and shutdown all three. A worker
// with nothing to do until then (a stopped player, the input between two
// messages) sleeps until it is signalled, however long, so that a stopped
// program costs no processor time. That is WorkerPacing::WakeWhenDue; the
// other pacing sleeps one pass period between passes, whatever is due.
#pragma once

#include <chrono>
#include <cstdint>

#include "common/wake_up.h"
#include "engine/worker_pacing.h"

// 10 ms: the longest a worker sleeps. On Windows the port service raises
// the system timer resolution while ports are open, so the fixed sleep
// really lasts about that long.
constexpr std::chrono::milliseconds kWorkerPassPeriod{10};

extern WakeUp patternWake;
extern WakeUp patchWake;
extern WakeUp inputWake;

// The pattern and patch clocks moved or changed pace (Start, Continue,
// Locate, a tempo or time base change, received timing): their players
// work out afresh when their next message is due.
void wakePlayers();

// The due time of a worker that has nothing to do until its wake-up is
// signalled.
constexpr int64_t kWaitForWakeUp = INT64_MIN;

// Sleeps until `dueNs` (on the scale of MIDIClockLib_Now;
// kMIDIClockUnknownTime when nothing is known to be due) or until `wake`
// is signalled, at most kWorkerPassPeriod; with kWaitForWakeUp until `wake`
// is signalled, however long. Returns at once when `dueNs` has come
// already. With WorkerPacing::FixedPassPeriod it sleeps kWorkerPassPeriod,
// whatever `dueNs` and `wake` say.
void waitForNextPass(WakeUp& wake, int64_t dueNs, WorkerPacing pacing);

// Benches only: how often the workers have woken, each return of
// waitForNextPass counted.
uint64_t workerWakeUpCount();
