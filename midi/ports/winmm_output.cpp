// A WinMM output port: short messages at once, system exclusive as a long
// message that is waited for, within a bound, before its buffer is freed.
#include <windows.h>
#include <mmsystem.h>

#include <new>
#include <vector>

#include "midi/midi_bytes.h"
#include "midi/ports/port_message.h"
#include "midi/ports/winmm_ports.h"

namespace {

class WinMMOutput final : public MIDIOut {
public:
    bool open(UINT deviceId) {
        return midiOutOpen(&handle_, deviceId, 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR;
    }
    ~WinMMOutput() override {
        if (handle_ == nullptr) return;
        midiOutReset(handle_);
        midiOutClose(handle_);
    }

    int32_t putMessage(const uint8_t* message, int32_t length) override {
        if (message[0] == kSystemExclusive) return putLongMessage(message, length);
        const DWORD packed = packShortMessage(message, length);
        return midiOutShortMsg(handle_, packed) == MMSYSERR_NOERROR ? length : 0;
    }

private:
    int32_t putLongMessage(const uint8_t* message, int32_t length);

    HMIDIOUT handle_ = nullptr;
};

int32_t WinMMOutput::putLongMessage(const uint8_t* message, int32_t length) {
    std::vector<char> data(message, message + length);
    MIDIHDR header{};
    header.lpData = data.data();
    header.dwBufferLength = static_cast<DWORD>(length);
    if (midiOutPrepareHeader(handle_, &header, sizeof header) != MMSYSERR_NOERROR) return 0;
    bool sent = midiOutLongMsg(handle_, &header, sizeof header) == MMSYSERR_NOERROR;
    if (sent) {
        // A MIDI cable carries 3125 bytes a second; allow that and half a second.
        const ULONGLONG deadline = GetTickCount64() + 500 + static_cast<ULONGLONG>(length) / 3;
        const volatile DWORD* flags = &header.dwFlags;
        while ((*flags & MHDR_DONE) == 0 && GetTickCount64() < deadline) Sleep(1);
        if ((*flags & MHDR_DONE) == 0) {
            // The driver is stuck: take the buffer back before it is freed.
            midiOutReset(handle_);
            sent = false;
        }
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (midiOutUnprepareHeader(handle_, &header, sizeof header) != MIDIERR_STILLPLAYING) break;
        Sleep(1);
    }
    return sent ? length : 0;
}

}  // namespace

MIDIOut* openWinMMOutput(uint32_t deviceId) {
    auto* port = new (std::nothrow) WinMMOutput;
    if (port == nullptr) return nullptr;
    if (!port->open(deviceId)) {
        delete port;
        return nullptr;
    }
    return port;
}
