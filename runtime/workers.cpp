#include "runtime/workers.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "engine/patch_player.h"
#include "engine/pattern_player.h"
#include "engine/player_state.h"
#include "engine/port_keeper.h"
#include "engine/worker_sleep.h"
#include "input/midi_input_thread.h"
#include "midi/clock/midi_clock.h"
#include "midi/song/midi_data.h"
#include "midi/ports/midi_io.h"
#include "midi/status/midi_status.h"

namespace {

constexpr int kStopWaitRounds = 100;
constexpr auto kStopWaitStep = std::chrono::milliseconds(10);
// Longer than any driver stall we know of (5 s), short of a hung exit.
constexpr auto kPortCloseWait = std::chrono::seconds(8);

std::thread inputWorker;
std::thread patternWorker;
std::thread patchWorker;

bool startWorker(std::thread& worker, std::atomic<int32_t>& running, void (*entry)(WorkerPacing),
                 WorkerPacing pacing) {
    if (worker.joinable()) return false;  // already started
    // Set before the thread exists, so the thread's clearing is always last.
    running = 1;
    try {
        worker = std::thread(entry, pacing);
    } catch (const std::system_error&) {
        running = 0;
        return false;
    }
    return true;
}

void releaseSongsClocksAndMirrors();

bool anyWorkerRunning() {
    return playerState.shell.inputThread || playerState.shell.patternThread || playerState.shell.patchThread;
}

}  // namespace

bool startWorkerThreads(WorkerPacing pacing) {
    bool input = startWorker(inputWorker, playerState.shell.inputThread, midiInputThread, pacing);
    bool pattern = startWorker(patternWorker, playerState.shell.patternThread, patternPlayerThread, pacing);
    bool patch = startWorker(patchWorker, playerState.shell.patchThread, patchPlayerThread, pacing);
    startPortKeeper();
    return input && pattern && patch;
}

bool stopWorkerThreads() {
    playerState.shell.mainWindow = nullptr;
    stopPortKeeper();
    // Sleeping workers see the stop signal now rather than at their next poll.
    wakePlayers();
    inputWake.signal();
    for (int round = 0; round < kStopWaitRounds && anyWorkerRunning(); ++round)
        std::this_thread::sleep_for(kStopWaitStep);
    // A worker that has cleared its flag is past its last pass: the join
    // returns at once. One still running is stuck (in a driver call, say)
    // and may never return; it is let go rather than waited for, and the
    // caller must not release what it may still be using.
    const struct {
        std::thread& worker;
        std::atomic<int32_t>& running;
    } workers[] = {{inputWorker, playerState.shell.inputThread},
                   {patternWorker, playerState.shell.patternThread},
                   {patchWorker, playerState.shell.patchThread}};
    bool allStopped = true;
    for (const auto& w : workers) {
        if (!w.worker.joinable()) continue;
        if (w.running) {
            allStopped = false;
            w.worker.detach();
        } else {
            w.worker.join();
        }
    }
    return allStopped;
}

void releasePlayerObjects() {
    QUILLBEX_ASSERT_LOCK_NOT_HELD();
    PlayerState& p = playerState;
    MIDIIn* input = nullptr;
    MIDIOut* output = nullptr;
    {
        std::lock_guard hold(p.lock);
        releaseSongsClocksAndMirrors();
        input = std::exchange(p.handles.midiIn, nullptr);
        output = std::exchange(p.handles.midiOut, nullptr);
    }
    // Closed off the lock, on a thread of their own, and waited for within
    // a bound: a driver that hangs in its reset or close keeps the process
    // no longer than that.
    MIDIPorts_CloseAside(input, output).wait_for(kPortCloseWait);
}

namespace {

void releaseSongsClocksAndMirrors() {
    PlayerHandles& h = playerState.handles;
    MIDIStatus_Delete(std::exchange(h.midiInStatus, nullptr));
    MIDIStatus_Delete(std::exchange(h.midiOutStatus, nullptr));
    MIDIData_Delete(std::exchange(h.patternData, nullptr));
    MIDIData_Delete(std::exchange(h.patchData, nullptr));
    MIDIClock_Delete(std::exchange(h.patternClock, nullptr));
    MIDIClock_Delete(std::exchange(h.patchClock, nullptr));
}

}  // namespace
