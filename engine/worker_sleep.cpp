#include "engine/worker_sleep.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "midi/clock/midi_clock.h"

WakeUp patternWake;
WakeUp patchWake;
WakeUp inputWake;

namespace {

std::atomic<uint64_t> wakeUps{0};

// Long enough that a sleeping worker costs nothing; a wait that ends by
// time only goes back to sleep.
constexpr int64_t kLongSleepNs = int64_t{3600} * 1000 * 1000 * 1000;

void sleepUntilNextPass(WakeUp& wake, int64_t dueNs) {
    if (dueNs == kWaitForWakeUp) {
        while (!wake.wait(kLongSleepNs)) {
        }
        return;
    }
    int64_t timeout = std::chrono::nanoseconds(kWorkerPassPeriod).count();
    if (dueNs != kMIDIClockUnknownTime) {
        const int64_t untilDue = dueNs - MIDIClockLib_Now();
        if (untilDue <= 0) return;
        timeout = std::min(timeout, untilDue);
    }
    wake.wait(timeout);
}

}  // namespace

void wakePlayers() {
    patternWake.signal();
    patchWake.signal();
}

void waitForNextPass(WakeUp& wake, int64_t dueNs, WorkerPacing pacing) {
    if (pacing == WorkerPacing::FixedPassPeriod)
        std::this_thread::sleep_for(kWorkerPassPeriod);
    else
        sleepUntilNextPass(wake, dueNs);
    wakeUps.fetch_add(1, std::memory_order_relaxed);
}

uint64_t workerWakeUpCount() {
    return wakeUps.load(std::memory_order_relaxed);
}
