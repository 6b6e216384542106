#include "engine/player_lock.h"

#include <cstdio>
#include <cstdlib>

void PlayerLock::lock() {
    if (isHeldByCurrentThread()) failLockCheck("PlayerLock::lock", false);
    mutex_.lock();
    owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
}

bool PlayerLock::try_lock() {
    if (isHeldByCurrentThread()) failLockCheck("PlayerLock::try_lock", false);
    if (!mutex_.try_lock()) return false;
    owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
    return true;
}

void PlayerLock::unlock() {
    if (!isHeldByCurrentThread()) failLockCheck("PlayerLock::unlock", true);
    owner_.store(std::thread::id(), std::memory_order_relaxed);
    mutex_.unlock();
}

void failLockCheck(const char* function, bool mustHold) {
    std::fprintf(stderr, "%s: %s\n", function,
                 mustHold ? "called without holding playerState.lock"
                          : "called while this thread holds playerState.lock");
    std::fflush(stderr);
    std::abort();
}
