#include "engine/worker_sleep.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "midi/clock/midi_clock.h"

WakeUp patternWake;
WakeUp patchWake;
WakeUp inputWake;

namespace {

std::atomic<bool> fixedPoll{false};

// The fixed poll: one pass period, whatever is due.
void sleepBetweenPasses() {
    std::this_thread::sleep_for(kWorkerPassPeriod);
}

}  // namespace

void wakePlayers() {
    patternWake.signal();
    patchWake.signal();
}

void waitForNextPass(WakeUp& wake, int64_t dueNs) {
    if (fixedPoll.load(std::memory_order_relaxed)) {
        sleepBetweenPasses();
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

void setFixedWorkerPoll(bool fixed) {
    fixedPoll.store(fixed);
}
