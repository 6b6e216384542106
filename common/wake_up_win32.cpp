#include "common/wake_up.h"

#include <windows.h>
#include <mmsystem.h>

// Windows 10 1803 and later; older headers do not name it.
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace {

constexpr int64_t kNsPer100Ns = 100;
constexpr int64_t kNsPerMs = 1000000;

}  // namespace

// A high-resolution timer wakes within a fraction of a millisecond without
// raising the system's timer rate. Where the system has none, the wait is a
// millisecond timeout on the event, and the timer period is held at 1 ms
// for as long as this object lives so that such timeouts last what they say.
WakeUp::WakeUp() {
    event_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    timer_ = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                    TIMER_ALL_ACCESS);
    if (timer_ == nullptr) timeBeginPeriod(1);
}

WakeUp::~WakeUp() {
    if (timer_ != nullptr) {
        CloseHandle(timer_);
    } else {
        timeEndPeriod(1);
    }
    if (event_ != nullptr) CloseHandle(event_);
}

void WakeUp::signal() {
    if (event_ != nullptr) SetEvent(event_);
}

bool WakeUp::wait(int64_t timeoutNs) {
    if (timeoutNs < 0) timeoutNs = 0;
    if (event_ == nullptr) {
        Sleep(static_cast<DWORD>((timeoutNs + kNsPerMs - 1) / kNsPerMs));
        return false;
    }
    if (timer_ != nullptr) {
        LARGE_INTEGER due;
        // Negative: relative to now, in 100 ns units, rounded up.
        due.QuadPart = -((timeoutNs + kNsPer100Ns - 1) / kNsPer100Ns);
        if (due.QuadPart == 0) due.QuadPart = -1;
        if (SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE)) {
            HANDLE handles[2] = {event_, timer_};
            return WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0;
        }
    }
    const DWORD timeoutMs = static_cast<DWORD>((timeoutNs + kNsPerMs - 1) / kNsPerMs);
    return WaitForSingleObject(event_, timeoutMs) == WAIT_OBJECT_0;
}
