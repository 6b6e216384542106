// A WinMM input port. The driver calls onDriverMessage on its own thread,
// where only a few system calls are allowed (SetEvent is one, midiInAddBuffer
// is not): short messages are copied into the queue, system exclusive is
// copied out of its long buffer and put together, and the reader's wake-up
// is signalled. The reader's side hands finished long buffers back to the
// driver before it reads.
#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <new>

#include "common/wake_up.h"
#include "midi/ports/port_message.h"
#include "midi/ports/port_queue.h"
#include "midi/ports/winmm_ports.h"

namespace {

constexpr int kLongBufferCount = 4;
constexpr DWORD kLongBufferSize = 1024;

class WinMMInput final : public MIDIIn {
public:
    bool open(UINT deviceId);
    ~WinMMInput() override { close(); }

    int32_t getMessage(uint8_t* buffer, int32_t size) override {
        requeueLongBuffers();
        return queue_.pop(buffer, size);
    }
    int64_t droppedCount() const override { return queue_.dropped(); }
    void setArrivalWakeUp(WakeUp* wake) override { arrival_.store(wake); }

private:
    static void CALLBACK onDriverMessage(HMIDIIN handle, UINT message, DWORD_PTR instance,
                                         DWORD_PTR param1, DWORD_PTR param2);
    void receiveShort(DWORD_PTR packed);
    void receiveLong(MIDIHDR* header, bool complete);
    void signalArrival();
    void requeueLongBuffers();
    void close();

    HMIDIIN handle_ = nullptr;
    std::atomic<bool> closing_{false};
    PortQueue queue_;
    SysExAssembler sysEx_;  // touched by the driver's thread only
    std::atomic<WakeUp*> arrival_{nullptr};
    MIDIHDR headers_[kLongBufferCount] = {};
    bool prepared_[kLongBufferCount] = {};
    // Set by the callback when the driver is done with a buffer; the reader
    // gives it back.
    std::atomic<bool> done_[kLongBufferCount] = {};
    char buffers_[kLongBufferCount][kLongBufferSize] = {};
};

bool WinMMInput::open(UINT deviceId) {
    HMIDIIN handle = nullptr;
    if (midiInOpen(&handle, deviceId, reinterpret_cast<DWORD_PTR>(&onDriverMessage),
                   reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION) != MMSYSERR_NOERROR) {
        return false;
    }
    handle_ = handle;
    for (int i = 0; i < kLongBufferCount; ++i) {
        MIDIHDR& header = headers_[i];
        header.lpData = buffers_[i];
        header.dwBufferLength = kLongBufferSize;
        if (midiInPrepareHeader(handle_, &header, sizeof header) != MMSYSERR_NOERROR) return false;
        prepared_[i] = true;
        if (midiInAddBuffer(handle_, &header, sizeof header) != MMSYSERR_NOERROR) return false;
    }
    return midiInStart(handle_) == MMSYSERR_NOERROR;
}

void WinMMInput::close() {
    if (handle_ == nullptr) return;
    closing_.store(true);
    midiInStop(handle_);
    // Returns every long buffer to us, marked done.
    midiInReset(handle_);
    for (int i = 0; i < kLongBufferCount; ++i) {
        if (!prepared_[i]) continue;
        for (int attempt = 0; attempt < 100; ++attempt) {
            if (midiInUnprepareHeader(handle_, &headers_[i], sizeof headers_[i]) != MIDIERR_STILLPLAYING) break;
            Sleep(1);
        }
        prepared_[i] = false;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (midiInClose(handle_) != MIDIERR_STILLPLAYING) break;
        midiInReset(handle_);
        Sleep(1);
    }
    handle_ = nullptr;
}

void CALLBACK WinMMInput::onDriverMessage(HMIDIIN, UINT message, DWORD_PTR instance,
                                          DWORD_PTR param1, DWORD_PTR) {
    auto* port = reinterpret_cast<WinMMInput*>(instance);
    switch (message) {
    case MIM_DATA: port->receiveShort(param1); break;
    case MIM_LONGDATA: port->receiveLong(reinterpret_cast<MIDIHDR*>(param1), true); break;
    case MIM_LONGERROR: port->receiveLong(reinterpret_cast<MIDIHDR*>(param1), false); break;
    case MIM_ERROR: port->queue_.countDrop(); break;
    default: break;  // MIM_OPEN, MIM_CLOSE, MIM_MOREDATA
    }
}

void WinMMInput::signalArrival() {
    if (WakeUp* wake = arrival_.load()) wake->signal();
}

void WinMMInput::receiveShort(DWORD_PTR packed) {
    uint8_t bytes[3];
    const int32_t length = unpackShortMessage(static_cast<uint32_t>(packed), bytes);
    if (length == 0) {
        queue_.countDrop();
        return;
    }
    if (queue_.push(bytes, length)) signalArrival();
}

void WinMMInput::receiveLong(MIDIHDR* header, bool complete) {
    if (header == nullptr) return;
    // While closing, midiInReset hands the buffers back empty; they stay ours.
    if (closing_.load()) return;
    const auto index = header - headers_;
    if (index < 0 || index >= kLongBufferCount) return;
    if (complete) {
        sysEx_.feed(reinterpret_cast<const uint8_t*>(header->lpData),
                    static_cast<int32_t>(header->dwBytesRecorded), queue_);
    } else {
        sysEx_.abandon();
        queue_.countDrop();
    }
    done_[index].store(true);
    signalArrival();
}

// Reader's side: the buffers stay prepared, so handing one back is one
// midiInAddBuffer.
void WinMMInput::requeueLongBuffers() {
    for (int i = 0; i < kLongBufferCount; ++i) {
        if (!done_[i].exchange(false)) continue;
        headers_[i].dwBytesRecorded = 0;
        midiInAddBuffer(handle_, &headers_[i], sizeof headers_[i]);
    }
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
