// A worker's wake-up: one thread waits on it, any other thread signals it,
// a WinMM driver callback included (on Windows a signal is one SetEvent,
// which the callback may call). A signal given while nobody waits is kept
// for the next wait, so none is lost; several count as one.
#pragma once

#include <cstdint>

#ifndef _WIN32
#include <condition_variable>
#include <mutex>
#endif

class WakeUp {
public:
    WakeUp();
    ~WakeUp();
    WakeUp(const WakeUp&) = delete;
    WakeUp& operator=(const WakeUp&) = delete;

    void signal();
    // Waits until signalled or until `timeoutNs` have passed; true when a
    // signal ended the wait (one given before the call ends it at once).
    bool wait(int64_t timeoutNs);

private:
#ifdef _WIN32
    void* event_;  // auto-reset event that signal() sets
    void* timer_;  // high-resolution waitable timer, or null where the system has none
#else
    std::mutex mutex_;
    std::condition_variable changed_;
    bool signalled_ = false;
#endif
};
