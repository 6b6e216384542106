// The pause between two passes of a worker thread.
#pragma once

#include <chrono>

// 10 ms: the timing grain of every worker. On Windows the port service
// raises the system timer resolution while ports are open, so the sleep
// really lasts about that long.
constexpr std::chrono::milliseconds kWorkerPassPeriod{10};

void sleepBetweenPasses();
