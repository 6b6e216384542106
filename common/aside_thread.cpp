#include "common/aside_thread.h"

#include <atomic>
#include <list>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

struct AsideThread {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> finished;
};

std::mutex asideMutex;
// Never destroyed: a thread still running at the end of the process must
// not be joined (or terminate the process) by a destructor.
std::list<AsideThread>& asideThreads() {
    static auto* threads = new std::list<AsideThread>;
    return *threads;
}

// Under asideMutex: joins the threads whose job has finished, which only
// wait to return.
void joinFinished() {
    std::list<AsideThread>& threads = asideThreads();
    for (auto it = threads.begin(); it != threads.end();) {
        if (!it->finished->load(std::memory_order_acquire)) {
            ++it;
            continue;
        }
        it->thread.join();
        it = threads.erase(it);
    }
}

}  // namespace

bool runAside(const std::function<void()>& job) {
    auto finished = std::make_shared<std::atomic<bool>>(false);
    std::lock_guard guard(asideMutex);
    joinFinished();
    try {
        std::thread thread([job, finished] {
            job();
            finished->store(true, std::memory_order_release);
        });
        asideThreads().push_back({std::move(thread), finished});
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}
