// A WinMM input port.
//
// The driver calls back on a thread of its own, where only a few system
// calls are allowed (SetEvent and timeGetTime here; never a midiIn call,
// never a lock): a short message goes into the queue stamped with the
// driver's time, a returned long buffer goes through the system-exclusive
// assembler and on to the port's keeper thread, which hands it back to the
// driver at once. The keeper also notices a device that has gone, from the
// driver's answers and by asking for the device's capabilities twice a
// second, since an unplugged input simply falls silent.
#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <chrono>
#include <new>
#include <system_error>
#include <thread>

#include "common/wake_up.h"
#include "midi/ports/port_message.h"
#include "midi/ports/port_queue.h"
#include "midi/ports/winmm_ports.h"

namespace {

// Enough buffers that a driver handing system exclusive over in small
// chunks still finds one queued while the keeper wakes up.
constexpr int kLongBufferCount = 32;
// A message longer than kMIDIMessageMax is dropped anyway.
constexpr DWORD kLongBufferSize = 512;
constexpr DWORD kProbeIntervalMs = 500;
// How long a close waits for the driver to give the buffers back after its
// reset, and for its MIM_CLOSE.
constexpr DWORD kDriverAnswerWaitMs = 500;
// A driver's time further behind or ahead of the callback's own is not
// believed.
constexpr int64_t kLongestDriverLagMs = 5000;
constexpr int64_t kDriverLeadMs = 100;

bool meansDeviceGone(MMRESULT result) {
    return result == MMSYSERR_NODRIVER || result == MIDIERR_NODEVICE || result == MMSYSERR_INVALHANDLE;
}

int64_t steadyNowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

class WinMMInput;

// What the driver may still touch after the port is closed: the buffers and
// headers it was given, and the callback's instance. A close that cannot
// show the driver is done with them leaves them behind on purpose (a few
// kilobytes) rather than free them under it; the port itself is freed, as
// the callback stops at `detached`.
struct DriverShared {
    MIDIHDR headers[kLongBufferCount] = {};
    char buffers[kLongBufferCount][kLongBufferSize] = {};
    std::atomic<int32_t> inCallback{0};
    std::atomic<bool> detached{false};
    std::atomic<bool> closeSeen{false};
    WinMMInput* port = nullptr;
};

class WinMMInput final : public MIDIIn {
public:
    bool open(UINT deviceId);
    ~WinMMInput() override { close(); }

    int32_t getMessage(uint8_t* buffer, int32_t size) override { return queue_.pop(buffer, size); }
    int32_t getMessageAt(uint8_t* buffer, int32_t size, int64_t* receivedAt) override {
        return queue_.pop(buffer, size, receivedAt);
    }
    int64_t droppedCount() const override { return queue_.dropped(); }
    void setArrivalWakeUp(WakeUp* wake) override { arrival_.store(wake); }
    bool isGone() const override { return gone_.load(); }

private:
    static void CALLBACK onDriverMessage(HMIDIIN handle, UINT message, DWORD_PTR instance,
                                         DWORD_PTR param1, DWORD_PTR param2);
    // The driver's thread.
    void receive(UINT message, DWORD_PTR param1, DWORD_PTR param2);
    void receiveShort(DWORD_PTR packed, DWORD_PTR driverMs);
    void receiveLong(MIDIHDR* header, bool complete, DWORD_PTR driverMs);
    int64_t arrivalTime(DWORD_PTR driverMs);
    void signalArrival();
    // The keeper's thread (and open, before it starts).
    void keepBuffers();
    bool handBack(int index);
    void noteResult(MMRESULT result);
    // Close's thread.
    template <typename Answered>
    bool waitUntil(Answered answered);
    void close();

    DriverShared* shared_ = nullptr;
    HMIDIIN handle_ = nullptr;
    // Auto-reset; set by the callback when it returns a buffer or sees
    // MIM_CLOSE, and by close.
    HANDLE keeperWake_ = nullptr;
    std::thread keeper_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> gone_{false};
    bool prepared_[kLongBufferCount] = {};

    // A buffer's place in the order of hand-overs. The driver fills and
    // returns them in that order, so when the one it returns is the last
    // handed over, it holds none and drops what arrives next.
    std::atomic<uint32_t> handOrder_[kLongBufferCount] = {};
    std::atomic<uint32_t> handedOver_{0};  // hand-overs the driver has taken
    std::atomic<int32_t> withDriver_{0};
    // Returned buffers from the callback to the keeper; each is in it at
    // most once, so it never overflows.
    std::atomic<int32_t> returned_[kLongBufferCount] = {};
    std::atomic<uint32_t> returnedHead_{0};
    std::atomic<uint32_t> returnedTail_{0};

    // The driver's time 0 (midiInStart) on the steady clock and on
    // timeGetTime.
    int64_t startNs_ = 0;
    DWORD startTick_ = 0;
    // The driver's thread only.
    uint32_t lastTickMs_ = 0;
    uint64_t tickWraps_ = 0;
    int64_t lastArrival_ = 0;
    SysExAssembler sysEx_;

    PortQueue queue_;
    std::atomic<WakeUp*> arrival_{nullptr};
};

bool WinMMInput::open(UINT deviceId) {
    shared_ = new (std::nothrow) DriverShared;
    keeperWake_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (shared_ == nullptr || keeperWake_ == nullptr) return false;
    shared_->port = this;
    HMIDIIN handle = nullptr;
    if (midiInOpen(&handle, deviceId, reinterpret_cast<DWORD_PTR>(&onDriverMessage),
                   reinterpret_cast<DWORD_PTR>(shared_), CALLBACK_FUNCTION) != MMSYSERR_NOERROR) {
        return false;
    }
    handle_ = handle;
    for (int i = 0; i < kLongBufferCount; ++i) {
        MIDIHDR& header = shared_->headers[i];
        header.lpData = shared_->buffers[i];
        header.dwBufferLength = kLongBufferSize;
        if (midiInPrepareHeader(handle_, &header, sizeof header) != MMSYSERR_NOERROR) return false;
        prepared_[i] = true;
        if (!handBack(i)) return false;
    }
    try {
        keeper_ = std::thread(&WinMMInput::keepBuffers, this);
    } catch (const std::system_error&) {
        return false;
    }
    startTick_ = timeGetTime();
    startNs_ = steadyNowNs();
    return midiInStart(handle_) == MMSYSERR_NOERROR;
}

void CALLBACK WinMMInput::onDriverMessage(HMIDIIN, UINT message, DWORD_PTR instance,
                                          DWORD_PTR param1, DWORD_PTR param2) {
    auto* shared = reinterpret_cast<DriverShared*>(instance);
    shared->inCallback.fetch_add(1);
    if (message == MIM_CLOSE) shared->closeSeen.store(true);
    if (!shared->detached.load()) shared->port->receive(message, param1, param2);
    shared->inCallback.fetch_sub(1);
}

void WinMMInput::receive(UINT message, DWORD_PTR param1, DWORD_PTR param2) {
    switch (message) {
    case MIM_DATA: receiveShort(param1, param2); break;
    case MIM_LONGDATA: receiveLong(reinterpret_cast<MIDIHDR*>(param1), true, param2); break;
    case MIM_LONGERROR: receiveLong(reinterpret_cast<MIDIHDR*>(param1), false, param2); break;
    case MIM_ERROR: queue_.countDrop(); break;
    case MIM_CLOSE: SetEvent(keeperWake_); break;
    default: break;  // MIM_OPEN, MIM_MOREDATA
    }
}

// The driver's time when it gives one (ms since midiInStart), else the
// callback's own, never earlier than the message before. The callback's
// clock is timeGetTime, coarser than the driver's stamps on some systems,
// so a stamp a little ahead of it is believed. Both counts are unsigned
// 32-bit milliseconds that wrap after 49 days, which the differences absorb.
int64_t WinMMInput::arrivalTime(DWORD_PTR driverMs) {
    const uint32_t nowMs = timeGetTime() - startTick_;
    if (nowMs < lastTickMs_) ++tickWraps_;
    lastTickMs_ = nowMs;
    const int64_t now = static_cast<int64_t>((tickWraps_ << 32) | nowMs);
    const int64_t stamp = now - static_cast<int32_t>(nowMs - static_cast<uint32_t>(driverMs));
    // A driver that keeps no time sends 0.
    const bool believable = driverMs != 0 && stamp >= 0 && stamp >= now - kLongestDriverLagMs &&
                            stamp <= now + kDriverLeadMs;
    // A count of whole milliseconds stands for the middle of its millisecond.
    int64_t arrival = startNs_ + (believable ? stamp : now) * 1000000 + 500000;
    if (arrival < lastArrival_) arrival = lastArrival_;
    lastArrival_ = arrival;
    return arrival;
}

void WinMMInput::signalArrival() {
    if (WakeUp* wake = arrival_.load()) wake->signal();
}

void WinMMInput::receiveShort(DWORD_PTR packed, DWORD_PTR driverMs) {
    uint8_t bytes[3];
    const int32_t length = unpackShortMessage(static_cast<uint32_t>(packed), bytes);
    if (length == 0) {
        queue_.countDrop();
        return;
    }
    if (queue_.push(bytes, length, arrivalTime(driverMs))) signalArrival();
}

void WinMMInput::receiveLong(MIDIHDR* header, bool complete, DWORD_PTR driverMs) {
    if (header == nullptr) return;
    const auto index = header - shared_->headers;
    if (index < 0 || index >= kLongBufferCount) return;
    const int64_t arrival = arrivalTime(driverMs);
    if (complete) {
        const DWORD length = header->dwBytesRecorded < kLongBufferSize ? header->dwBytesRecorded : kLongBufferSize;
        sysEx_.feed(reinterpret_cast<const uint8_t*>(header->lpData), static_cast<int32_t>(length), queue_, arrival);
    } else {
        sysEx_.lostPiece(queue_);
    }
    // The driver held no other buffer: what arrives until the keeper hands
    // this one back is lost, so the message in progress cannot be whole.
    const uint32_t nextOrder = handOrder_[index].load() + 1;
    if (sysEx_.active() && static_cast<int32_t>(handedOver_.load() - nextOrder) <= 0) sysEx_.lostPiece(queue_);
    withDriver_.fetch_sub(1);
    const uint32_t tail = returnedTail_.load(std::memory_order_relaxed);
    returned_[tail % kLongBufferCount].store(static_cast<int32_t>(index), std::memory_order_relaxed);
    returnedTail_.store(tail + 1, std::memory_order_release);
    SetEvent(keeperWake_);
    signalArrival();
}

void WinMMInput::noteResult(MMRESULT result) {
    if (meansDeviceGone(result)) gone_.store(true);
}

// The buffers stay prepared, so handing one back is one midiInAddBuffer.
bool WinMMInput::handBack(int index) {
    MIDIHDR& header = shared_->headers[index];
    header.dwBytesRecorded = 0;
    header.dwFlags &= ~static_cast<DWORD>(MHDR_DONE);
    const uint32_t order = handedOver_.load();
    handOrder_[index].store(order);
    withDriver_.fetch_add(1);
    const MMRESULT result = midiInAddBuffer(handle_, &header, sizeof header);
    if (result != MMSYSERR_NOERROR) {
        withDriver_.fetch_sub(1);
        noteResult(result);
        return false;
    }
    handedOver_.store(order + 1);
    return true;
}

void WinMMInput::keepBuffers() {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    DWORD lastProbe = timeGetTime();
    while (!stopping_.load()) {
        WaitForSingleObject(keeperWake_, kProbeIntervalMs);
        if (stopping_.load() || gone_.load()) continue;
        uint32_t head = returnedHead_.load(std::memory_order_relaxed);
        while (head != returnedTail_.load(std::memory_order_acquire) && !gone_.load()) {
            // A buffer the driver refuses for another reason stays ours, unused.
            handBack(returned_[head % kLongBufferCount].load(std::memory_order_relaxed));
            returnedHead_.store(++head, std::memory_order_release);
        }
        if (!gone_.load() && timeGetTime() - lastProbe >= kProbeIntervalMs) {
            lastProbe = timeGetTime();
            MIDIINCAPSW caps{};
            noteResult(midiInGetDevCapsW(reinterpret_cast<UINT_PTR>(handle_), &caps, sizeof caps));
        }
    }
}

// Close's wait for an answer from the driver's thread, which sets
// keeperWake_ with each; false when none came in time.
template <typename Answered>
bool WinMMInput::waitUntil(Answered answered) {
    const DWORD start = timeGetTime();
    while (!answered()) {
        const DWORD waited = timeGetTime() - start;
        if (waited >= kDriverAnswerWaitMs) return false;
        WaitForSingleObject(keeperWake_, kDriverAnswerWaitMs - waited);
    }
    return true;
}

// Runs on whatever thread closes the port, never under the player's lock:
// a driver may block here for seconds.
void WinMMInput::close() {
    if (keeper_.joinable()) {
        stopping_.store(true);
        SetEvent(keeperWake_);
        keeper_.join();
    }
    if (handle_ == nullptr) {
        delete shared_;  // never given to a driver
    } else {
        // Whether the driver has shown it is done with shared_.
        bool driverDone = true;
        if (!gone_.load()) noteResult(midiInStop(handle_));
        // The reset returns every queued buffer; a gone device keeps them.
        if (!gone_.load()) noteResult(midiInReset(handle_));
        if (gone_.load() || !waitUntil([this] { return withDriver_.load() == 0; })) driverDone = false;
        for (int i = 0; driverDone && i < kLongBufferCount; ++i) {
            if (prepared_[i] && midiInUnprepareHeader(handle_, &shared_->headers[i], sizeof(MIDIHDR)) != MMSYSERR_NOERROR) {
                driverDone = false;
            }
        }
        // MIDIERR_STILLPLAYING and the like: the handle and its buffers stay
        // with the driver, which may still call back.
        if (midiInClose(handle_) != MMSYSERR_NOERROR) driverDone = false;
        if (driverDone && !waitUntil([this] { return shared_->closeSeen.load(); })) driverDone = false;
        handle_ = nullptr;
        shared_->detached.store(true);
        while (shared_->inCallback.load() != 0) Sleep(1);
        // Otherwise left behind on purpose: see DriverShared.
        if (driverDone) delete shared_;
    }
    shared_ = nullptr;
    if (keeperWake_ != nullptr) CloseHandle(keeperWake_);
    keeperWake_ = nullptr;
}

}  // namespace

MIDIIn* openWinMMInput(uint32_t deviceId) {
    auto* port = new (std::nothrow) WinMMInput;
    if (port == nullptr) return nullptr;
    if (!port->open(deviceId)) {
        delete port;
        return nullptr;
    }
    return port;
}
