// A WinMM input port. The driver calls onDriverMessage on its own thread:
// short messages go straight into the queue, system exclusive arrives in
// long buffers that are put together and handed back to the driver.
#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <new>

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

    int32_t getMessage(uint8_t* buffer, int32_t size) override { return queue_.pop(buffer, size); }
    int64_t droppedCount() const override { return queue_.dropped(); }

private:
    static void CALLBACK onDriverMessage(HMIDIIN handle, UINT message, DWORD_PTR instance,
                                         DWORD_PTR param1, DWORD_PTR param2);
    void receiveShort(DWORD_PTR packed);
    void receiveLong(HMIDIIN handle, MIDIHDR* header, bool complete);
    void close();

    HMIDIIN handle_ = nullptr;
    std::atomic<bool> closing_{false};
    PortQueue queue_;
    SysExAssembler sysEx_;  // touched by the driver's thread only
    MIDIHDR headers_[kLongBufferCount] = {};
    bool prepared_[kLongBufferCount] = {};
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

void CALLBACK WinMMInput::onDriverMessage(HMIDIIN handle, UINT message, DWORD_PTR instance,
                                          DWORD_PTR param1, DWORD_PTR) {
    auto* port = reinterpret_cast<WinMMInput*>(instance);
    switch (message) {
    case MIM_DATA: port->receiveShort(param1); break;
    case MIM_LONGDATA: port->receiveLong(handle, reinterpret_cast<MIDIHDR*>(param1), true); break;
    case MIM_LONGERROR: port->receiveLong(handle, reinterpret_cast<MIDIHDR*>(param1), false); break;
    case MIM_ERROR: port->queue_.countDrop(); break;
    default: break;  // MIM_OPEN, MIM_CLOSE, MIM_MOREDATA
    }
}

void WinMMInput::receiveShort(DWORD_PTR packed) {
    uint8_t bytes[3];
    const int32_t length = unpackShortMessage(static_cast<uint32_t>(packed), bytes);
    if (length == 0) {
        queue_.countDrop();
        return;
    }
    queue_.push(bytes, length);
}

void WinMMInput::receiveLong(HMIDIIN handle, MIDIHDR* header, bool complete) {
    if (header == nullptr) return;
    // While closing, midiInReset hands the buffers back empty; they stay ours.
    if (closing_.load()) return;
    if (complete) {
        sysEx_.feed(reinterpret_cast<const uint8_t*>(header->lpData),
                    static_cast<int32_t>(header->dwBytesRecorded), queue_);
    } else {
        sysEx_.abandon();
        queue_.countDrop();
    }
    header->dwBytesRecorded = 0;
    if (midiInPrepareHeader(handle, header, sizeof *header) == MMSYSERR_NOERROR) {
        midiInAddBuffer(handle, header, sizeof *header);
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
