#include "input/thread_priority.h"

// Raising a thread above its peers needs privileges on most POSIX systems;
// the portable build, which serves tests and benchmarks, keeps the default.
void raiseCurrentThreadPriority() {}
