#include "input/thread_priority.h"

#include <windows.h>

void raiseCurrentThreadPriority() {
    // A failure leaves the thread at normal priority, which still works.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
}
