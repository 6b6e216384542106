// The type of `playerState.lock`: a mutex that knows which thread holds it.
// Functions that need their caller to hold the lock check it at their top,
// and the operations that take the lock themselves (or show a warning)
// check that it is not held, so a wrong call fails loudly in every build
// instead of racing or deadlocking silently.
#pragma once

#include <atomic>
#include <mutex>
#include <thread>

class PlayerLock {
public:
    // Lockable, so std::lock_guard and std::unique_lock take it as they take
    // a mutex. The lock is not re-entrant: a thread that takes it twice is
    // stopped here instead of deadlocking.
    void lock();
    bool try_lock();
    void unlock();

    // One relaxed load and a compare, cheap enough for every call of a
    // pattern pass. Only the holder ever stores its own id, so a thread
    // that reads its own id back really holds the lock.
    bool isHeldByCurrentThread() const {
        return owner_.load(std::memory_order_relaxed) == std::this_thread::get_id();
    }

private:
    std::mutex mutex_;
    std::atomic<std::thread::id> owner_{};
};

// Prints "<function>: ..." to stderr and ends the program.
[[noreturn]] void failLockCheck(const char* function, bool mustHold);
