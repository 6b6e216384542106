// A job run on a thread of its own that nobody waits for: closing a port
// whose driver may block for seconds, silencing the output around a stuck
// worker at exit.
//
// The thread is not detached as it starts: with MinGW-w64's threads a
// thread detached before it has run may never run its job, or fault (seen
// about once in 700 under Wine). It lets itself go once its job is done;
// one that never finishes (a driver that hangs) is left to the end of the
// process.
#pragma once

#include <functional>

// False when no thread could be had; the job has not run then.
bool runAside(const std::function<void()>& job);
