#include "engine/port_keeper.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

#include "engine/player_state.h"
#include "engine/player_ui.h"
#include "engine/worker_sleep.h"
#include "midi/ports/midi_io.h"

namespace {

using Clock = std::chrono::steady_clock;
// How often the keeper looks at the ports, and how soon it tries a gone
// device again: a device that comes back is in play within about this.
constexpr auto kLookPeriod = std::chrono::milliseconds(100);
constexpr auto kRetryPeriod = std::chrono::milliseconds(250);
constexpr auto kStopWait = std::chrono::seconds(1);

// What the keeper does for one side; under keeperMutex.
struct SideWish {
    std::wstring name;        // the device to keep; empty: none
    bool openWanted = false;  // the side has no port and should have one
    std::shared_future<void> closed;  // wait for this before opening
    Clock::time_point nextTry{};
    unsigned generation = 0;  // changed whenever the window takes over
};

std::mutex keeperMutex;
std::condition_variable keeperChanged;
bool keeperStopping = false;
bool keeperDone = false;
SideWish wishes[2];
std::thread keeperThread;

SideWish& wishOf(PortSide side) { return wishes[side == PortSide::input ? 0 : 1]; }

bool isReady(const std::shared_future<void>& closed) {
    return !closed.valid() || closed.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

void warn(Warning warning, const std::wstring& name) {
    if (PlayerUi* ui = playerState.shell.mainWindow.load()) ui->postWarning(warning, name.c_str());
}

// Under the player's lock: takes a gone port out of play.
template <typename Port>
Port* takeIfGone(Port*& slot, int32_t (*isGone)(const Port*)) {
    Port* port = slot;
    if (port == nullptr || !isGone(port)) return nullptr;
    slot = nullptr;
    return port;
}

void noticeGonePort(PortSide side) {
    MIDIIn* lostInput = nullptr;
    MIDIOut* lostOutput = nullptr;
    std::wstring name;
    {
        std::lock_guard hold(playerState.lock);
        if (side == PortSide::input)
            lostInput = takeIfGone(playerState.handles.midiIn, MIDIIn_IsGone);
        else
            lostOutput = takeIfGone(playerState.handles.midiOut, MIDIOut_IsGone);
        if (lostInput == nullptr && lostOutput == nullptr) return;
        std::lock_guard guard(keeperMutex);
        SideWish& wish = wishOf(side);
        name = wish.name;
        wish.openWanted = !wish.name.empty();
        wish.nextTry = Clock::now();
        wish.closed = MIDIPorts_CloseAside(lostInput, lostOutput);
    }
    warn(side == PortSide::input ? Warning::inputGone : Warning::outputGone, name);
}

// Puts a newly opened port in play unless the window has taken the side
// over meanwhile; then the port is closed again.
template <typename Port>
bool install(Port*& slot, Port* port, PortSide side, unsigned generation) {
    std::lock_guard hold(playerState.lock);
    std::lock_guard guard(keeperMutex);
    SideWish& wish = wishOf(side);
    if (wish.generation != generation || slot != nullptr) return false;
    slot = port;
    wish.openWanted = false;
    return true;
}

void openWanted(PortSide side) {
    std::wstring name;
    unsigned generation;
    {
        std::lock_guard guard(keeperMutex);
        SideWish& wish = wishOf(side);
        if (!wish.openWanted || Clock::now() < wish.nextTry || !isReady(wish.closed)) return;
        wish.nextTry = Clock::now() + kRetryPeriod;
        name = wish.name;
        generation = wish.generation;
    }
    if (side == PortSide::input) {
        MIDIIn* port = MIDIIn_OpenW(name.c_str());
        if (port == nullptr) return;
        if (install(playerState.handles.midiIn, port, side, generation)) {
            inputWake.signal();  // the input thread reads the new port at once
        } else {
            MIDIPorts_CloseAside(port, nullptr);
        }
    } else {
        MIDIOut* port = MIDIOut_OpenW(name.c_str());
        if (port == nullptr) return;
        if (!install(playerState.handles.midiOut, port, side, generation)) MIDIPorts_CloseAside(nullptr, port);
    }
}

void runKeeper() {
    std::unique_lock guard(keeperMutex);
    while (!keeperStopping) {
        keeperChanged.wait_for(guard, kLookPeriod);
        if (keeperStopping) break;
        guard.unlock();
        for (PortSide side : {PortSide::input, PortSide::output}) {
            noticeGonePort(side);
            openWanted(side);
        }
        guard.lock();
    }
    keeperDone = true;
    keeperChanged.notify_all();
}

}  // namespace

bool startPortKeeper() {
    std::lock_guard guard(keeperMutex);
    if (keeperThread.joinable()) return false;
    keeperStopping = false;
    keeperDone = false;
    try {
        keeperThread = std::thread(runKeeper);
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void stopPortKeeper() {
    std::unique_lock guard(keeperMutex);
    keeperStopping = true;
    for (SideWish& wish : wishes) wish = SideWish{{}, false, {}, {}, wish.generation + 1};
    keeperChanged.notify_all();
    if (!keeperThread.joinable()) return;
    // The keeper finishes its look in a moment, unless a worker stuck in a
    // driver holds the player's lock or a driver hangs in an open: then it
    // is let go, and whatever it opens later is refused by the changed
    // generation and closed again.
    const bool done = keeperChanged.wait_for(guard, kStopWait, [] { return keeperDone; });
    guard.unlock();
    if (done)
        keeperThread.join();
    else
        keeperThread.detach();
}

void portKeeperForget(PortSide side) {
    QUILLBEX_ASSERT_LOCK_HELD();
    std::lock_guard guard(keeperMutex);
    SideWish& wish = wishOf(side);
    wish = SideWish{{}, false, {}, {}, wish.generation + 1};
}

void portKeeperWatch(PortSide side, const wchar_t* name) {
    std::lock_guard guard(keeperMutex);
    SideWish& wish = wishOf(side);
    wish.name = name != nullptr ? name : L"";
    wish.openWanted = false;
    wish.closed = {};
}

void portKeeperOpenWhenClosed(PortSide side, const wchar_t* name, std::shared_future<void> closed) {
    {
        std::lock_guard guard(keeperMutex);
        SideWish& wish = wishOf(side);
        wish.name = name != nullptr ? name : L"";
        wish.openWanted = !wish.name.empty();
        wish.closed = std::move(closed);
        wish.nextTry = Clock::now();
    }
    keeperChanged.notify_all();
}
