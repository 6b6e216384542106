#include "engine/worker_sleep.h"

#include <thread>

void sleepBetweenPasses() {
    std::this_thread::sleep_for(kWorkerPassPeriod);
}
