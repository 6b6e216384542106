#include "common/wake_up.h"

#include <chrono>

WakeUp::WakeUp() = default;
WakeUp::~WakeUp() = default;

void WakeUp::signal() {
    {
        std::lock_guard guard(mutex_);
        signalled_ = true;
    }
    changed_.notify_one();
}

// An absolute deadline on the steady clock, so that spurious wake-ups do
// not stretch the wait.
bool WakeUp::wait(int64_t timeoutNs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::nanoseconds(timeoutNs);
    std::unique_lock guard(mutex_);
    const bool signalled = changed_.wait_until(guard, deadline, [this] { return signalled_; });
    signalled_ = false;
    return signalled;
}
