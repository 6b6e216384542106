// A WinMM output port. A short message goes to the driver at once. System
// exclusive is copied into a header of a small pool, prepared and handed to
// the driver, and the caller goes on: a driver sends it at cable speed (a
// 200-byte dump takes 64 ms) and reports it done with MOM_DONE. The driver's
// callback may only mark the header and signal; the port's own finisher
// thread unprepares it and returns it to the pool.
//
// What cannot go now (every header in use, or the driver answers
// MIDIERR_NOTREADY) waits in a backlog that the finisher sends as headers
// come back, and everything after it waits behind it, so the driver gets
// the messages in the order they were put.
//
// A driver that answers "no driver", "no device" or "invalid handle" has
// lost its device: the port is gone and makes no further driver calls.
#include <windows.h>
#include <mmsystem.h>

#include <array>
#include <atomic>
#include <cstring>
#include <deque>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "common/wake_up.h"
#include "midi/midi_bytes.h"
#include "midi/ports/port_message.h"
#include "midi/ports/winmm_ports.h"

namespace {

// Eight dumps of the longest kind are 2 KB, about 0.65 s of cable.
constexpr int kLongHeaderCount = 8;
// Messages waiting behind a busy driver; beyond that a put fails.
constexpr size_t kBacklogLimit = 1024;
// How long the finisher waits before it asks a driver that answered
// MIDIERR_NOTREADY again, when no MOM_DONE comes first.
constexpr int64_t kNotReadyRetryNs = 2'000'000;

bool meansDeviceGone(MMRESULT result) {
    return result == MMSYSERR_NODRIVER || result == MIDIERR_NODEVICE || result == MMSYSERR_INVALHANDLE;
}

enum class SendResult { sent, busy, failed };

struct LongHeader {
    MIDIHDR header{};
    char data[kMIDIMessageMax] = {};
    bool inUse = false;               // under the line's mutex
    std::atomic<bool> done{false};    // set by the driver's callback
};

// Everything the driver's callback may touch. It lives on the heap and is
// left alive, on purpose, when the driver keeps a header or refuses to
// close: its callback could still write into it.
class OutputLine {
public:
    bool open(UINT deviceId);
    int32_t put(const uint8_t* message, int32_t length);
    bool gone() const { return gone_.load(); }
    // Stops the finisher, takes every header back and closes the handle;
    // false when the driver still holds something.
    bool close();

private:
    static void CALLBACK onDriverMessage(HMIDIOUT handle, UINT message, DWORD_PTR instance,
                                         DWORD_PTR param1, DWORD_PTR param2);
    SendResult send(const uint8_t* message, int32_t length);
    SendResult sendLong(const uint8_t* message, int32_t length);
    SendResult answer(MMRESULT result);
    bool unprepare(LongHeader& slot);
    void finishDone();
    void runFinisher();
    void waitForHeaders();

    HMIDIOUT handle_ = nullptr;
    std::atomic<bool> gone_{false};
    std::atomic<bool> stopping_{false};
    WakeUp wake_;
    std::thread finisher_;
    std::array<LongHeader, kLongHeaderCount> headers_;
    // Guards the headers' inUse, the backlog and draining_. Taken by put
    // (while the caller may hold the player's lock) only for bookkeeping and
    // the send of a message that may go at once.
    std::mutex mutex_;
    std::deque<std::vector<uint8_t>> backlog_;
    bool draining_ = false;  // the finisher is sending the backlog's first message
};

bool OutputLine::open(UINT deviceId) {
    if (midiOutOpen(&handle_, deviceId, reinterpret_cast<DWORD_PTR>(&onDriverMessage),
                    reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION) != MMSYSERR_NOERROR) {
        handle_ = nullptr;
        return false;
    }
    try {
        finisher_ = std::thread(&OutputLine::runFinisher, this);
    } catch (const std::system_error&) {
        midiOutClose(handle_);
        handle_ = nullptr;
        return false;
    }
    return true;
}

void CALLBACK OutputLine::onDriverMessage(HMIDIOUT, UINT message, DWORD_PTR instance,
                                          DWORD_PTR param1, DWORD_PTR) {
    if (message != MOM_DONE) return;
    auto* line = reinterpret_cast<OutputLine*>(instance);
    for (LongHeader& slot : line->headers_) {
        if (reinterpret_cast<DWORD_PTR>(&slot.header) == param1) slot.done.store(true);
    }
    line->wake_.signal();
}

SendResult OutputLine::answer(MMRESULT result) {
    if (result == MMSYSERR_NOERROR) return SendResult::sent;
    if (result == MIDIERR_NOTREADY) return SendResult::busy;
    if (meansDeviceGone(result)) gone_.store(true);
    return SendResult::failed;
}

SendResult OutputLine::send(const uint8_t* message, int32_t length) {
    if (gone_.load()) return SendResult::failed;
    if (message[0] == kSystemExclusive) return sendLong(message, length);
    return answer(midiOutShortMsg(handle_, packShortMessage(message, length)));
}

SendResult OutputLine::sendLong(const uint8_t* message, int32_t length) {
    LongHeader* slot = nullptr;
    {
        std::lock_guard guard(mutex_);
        for (LongHeader& candidate : headers_) {
            if (!candidate.inUse) {
                slot = &candidate;
                slot->inUse = true;
                break;
            }
        }
    }
    if (slot == nullptr) return SendResult::busy;
    std::memcpy(slot->data, message, static_cast<size_t>(length));
    slot->header = MIDIHDR{};
    slot->header.lpData = slot->data;
    slot->header.dwBufferLength = static_cast<DWORD>(length);
    slot->header.dwBytesRecorded = static_cast<DWORD>(length);
    slot->done.store(false);
    SendResult result = answer(midiOutPrepareHeader(handle_, &slot->header, sizeof slot->header));
    if (result == SendResult::sent) {
        result = answer(midiOutLongMsg(handle_, &slot->header, sizeof slot->header));
        if (result == SendResult::sent) return result;  // the finisher takes it back
        if (!unprepare(*slot)) return result;           // the driver kept it: never reused
    }
    std::lock_guard guard(mutex_);
    slot->inUse = false;
    return result;
}

bool OutputLine::unprepare(LongHeader& slot) {
    return gone_.load() ||
           midiOutUnprepareHeader(handle_, &slot.header, sizeof slot.header) == MMSYSERR_NOERROR;
}

int32_t OutputLine::put(const uint8_t* message, int32_t length) {
    if (gone_.load()) return 0;
    std::unique_lock guard(mutex_);
    if (backlog_.empty() && !draining_) {
        guard.unlock();
        const SendResult result = send(message, length);
        if (result == SendResult::sent) return length;
        if (result == SendResult::failed) return 0;
        guard.lock();
    }
    if (backlog_.size() >= kBacklogLimit) return 0;
    backlog_.emplace_back(message, message + length);
    guard.unlock();
    wake_.signal();
    return length;
}

// Headers the driver has finished with go back to the pool. One whose
// unprepare fails stays in use, never to be reused or freed.
void OutputLine::finishDone() {
    for (LongHeader& slot : headers_) {
        if (!slot.done.exchange(false)) continue;
        if (!unprepare(slot)) continue;
        std::lock_guard guard(mutex_);
        slot.inUse = false;
    }
}

void OutputLine::runFinisher() {
    bool waitingForDriver = false;
    while (!stopping_.load()) {
        wake_.wait(waitingForDriver ? kNotReadyRetryNs : 1'000'000'000);
        finishDone();
        waitingForDriver = false;
        for (;;) {
            std::vector<uint8_t> first;
            {
                std::lock_guard guard(mutex_);
                if (backlog_.empty() || stopping_.load()) {
                    draining_ = false;
                    break;
                }
                draining_ = true;
                first = backlog_.front();
            }
            // Sent without the mutex: a slow driver holds up only this thread.
            const SendResult result = send(first.data(), static_cast<int32_t>(first.size()));
            if (result == SendResult::busy) {
                waitingForDriver = true;
                break;
            }
            std::lock_guard guard(mutex_);
            backlog_.pop_front();
            if (gone_.load()) backlog_.clear();
        }
    }
}

void OutputLine::waitForHeaders() {
    constexpr int64_t kStepNs = 10'000'000;
    for (int step = 0; step < 50; ++step) {
        bool allBack = true;
        for (LongHeader& slot : headers_) allBack = allBack && (!slot.inUse || slot.done.load());
        if (allBack) return;
        wake_.wait(kStepNs);
    }
}

bool OutputLine::close() {
    stopping_.store(true);
    wake_.signal();
    if (finisher_.joinable()) finisher_.join();
    if (handle_ == nullptr) return true;
    // A reset hands every header back (its MOM_DONE may come from the
    // driver's thread a little later); a gone device is not asked.
    if (!gone_.load() && midiOutReset(handle_) == MMSYSERR_NOERROR) waitForHeaders();
    bool driverHoldsSomething = false;
    for (LongHeader& slot : headers_) {
        if (!slot.inUse) continue;
        if (!slot.done.load() && gone_.load()) {
            driverHoldsSomething = true;  // never given back by a lost device
        } else if (!unprepare(slot)) {
            driverHoldsSomething = true;
        } else {
            slot.inUse = false;
        }
    }
    if (midiOutClose(handle_) != MMSYSERR_NOERROR) driverHoldsSomething = true;
    return !driverHoldsSomething;
}

class WinMMOutput final : public MIDIOut {
public:
    explicit WinMMOutput(OutputLine* line) : line_(line) {}
    ~WinMMOutput() override {
        // Left alive when the driver may still write into it (see OutputLine).
        if (line_->close()) delete line_;
    }

    int32_t putMessage(const uint8_t* message, int32_t length) override {
        return line_->put(message, length);
    }
    bool isGone() const override { return line_->gone(); }

private:
    OutputLine* line_;
};

}  // namespace

MIDIOut* openWinMMOutput(uint32_t deviceId) {
    auto* line = new (std::nothrow) OutputLine;
    if (line == nullptr) return nullptr;
    if (!line->open(deviceId)) {
        delete line;
        return nullptr;
    }
    auto* port = new (std::nothrow) WinMMOutput(line);
    if (port == nullptr) {
        if (line->close()) delete line;
        return nullptr;
    }
    return port;
}
