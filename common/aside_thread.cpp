#include "common/aside_thread.h"

#include <list>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

std::mutex asideMutex;
// Never destroyed: a thread still running at the end of the process must
// not meet a destructor that joins it or ends the process.
std::list<std::thread>& asideThreads() {
    static auto* threads = new std::list<std::thread>;
    return *threads;
}

// The thread's last act: it lets itself go. It is in the list by now, since
// it was put there under the mutex before it could take the mutex itself.
void letThisThreadGo() {
    std::lock_guard guard(asideMutex);
    std::list<std::thread>& threads = asideThreads();
    for (auto it = threads.begin(); it != threads.end(); ++it) {
        if (it->get_id() != std::this_thread::get_id()) continue;
        it->detach();
        threads.erase(it);
        return;
    }
}

}  // namespace

bool runAside(const std::function<void()>& job) {
    std::lock_guard guard(asideMutex);
    try {
        asideThreads().emplace_back([job] {
            job();
            letThisThreadGo();
        });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}
