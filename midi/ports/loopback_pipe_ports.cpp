// The loop-back port backend (loopback_pipe.h). The output writes one frame
// per message; the input reads frames on a thread of its own and feeds the
// port's queue, as the WinMM driver callback does for a real device.
#include <windows.h>

#include <cstring>
#include <cwchar>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <thread>

#include "midi/ports/loopback_pipe.h"
#include "midi/ports/port_backend.h"
#include "midi/ports/port_message.h"
#include "midi/ports/port_queue.h"

namespace {

// The test's pipe server may be between two connections (a port being
// reopened) for a moment; an absent server is given this long to appear.
constexpr ULONGLONG kConnectWaitMs = 1000;
constexpr size_t kPrefixMax = 200;

std::wstring pipePrefix() {
    wchar_t prefix[kPrefixMax + 1] = {};
    const DWORD length = GetEnvironmentVariableW(kLoopbackPipeVariable, prefix, kPrefixMax + 1);
    if (length == 0 || length > kPrefixMax) return {};
    return prefix;
}

HANDLE connectPipe(const std::wstring& name, DWORD access, DWORD flags) {
    const ULONGLONG deadline = GetTickCount64() + kConnectWaitMs;
    for (;;) {
        HANDLE pipe = CreateFileW(name.c_str(), access, 0, nullptr, OPEN_EXISTING, flags, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) return pipe;
        const DWORD error = GetLastError();
        if ((error != ERROR_PIPE_BUSY && error != ERROR_FILE_NOT_FOUND) || GetTickCount64() >= deadline) {
            return nullptr;
        }
        Sleep(10);
    }
}

class LoopbackOutput final : public MIDIOut {
public:
    explicit LoopbackOutput(HANDLE pipe) : pipe_(pipe) {}
    ~LoopbackOutput() override { CloseHandle(pipe_); }

    int32_t putMessage(const uint8_t* message, int32_t length) override {
        uint8_t frame[kLoopbackFrameHeader + kMIDIMessageMax];
        if (length > kMIDIMessageMax) return 0;
        frame[0] = static_cast<uint8_t>(length & 0xFF);
        frame[1] = static_cast<uint8_t>(length >> 8);
        std::memcpy(frame + kLoopbackFrameHeader, message, static_cast<size_t>(length));
        const DWORD size = static_cast<DWORD>(kLoopbackFrameHeader + length);
        DWORD written = 0;
        std::lock_guard guard(writeMutex_);  // one frame at a time on the pipe
        return WriteFile(pipe_, frame, size, &written, nullptr) && written == size ? length : 0;
    }

private:
    HANDLE pipe_;
    std::mutex writeMutex_;
};

class LoopbackInput final : public MIDIIn {
public:
    bool open(HANDLE pipe);
    ~LoopbackInput() override;

    int32_t getMessage(uint8_t* buffer, int32_t size) override { return queue_.pop(buffer, size); }
    int64_t droppedCount() const override { return queue_.dropped(); }

private:
    void readFrames();
    bool readExactly(uint8_t* buffer, DWORD size);

    HANDLE pipe_ = nullptr;
    HANDLE readDone_ = nullptr;
    HANDLE stop_ = nullptr;
    std::thread reader_;
    PortQueue queue_;  // the reader thread is its one producer
};

bool LoopbackInput::open(HANDLE pipe) {
    pipe_ = pipe;
    readDone_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (readDone_ == nullptr || stop_ == nullptr) return false;
    try {
        reader_ = std::thread(&LoopbackInput::readFrames, this);
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

LoopbackInput::~LoopbackInput() {
    if (stop_ != nullptr) SetEvent(stop_);
    if (reader_.joinable()) reader_.join();
    for (HANDLE handle : {pipe_, readDone_, stop_}) {
        if (handle != nullptr) CloseHandle(handle);
    }
}

void LoopbackInput::readFrames() {
    uint8_t header[kLoopbackFrameHeader];
    uint8_t message[kMIDIMessageMax];
    while (readExactly(header, sizeof header)) {
        const int32_t length = header[0] | (header[1] << 8);
        if (length > kMIDIMessageMax) {
            // Read past it in pieces, so the next frame is found.
            queue_.countDrop();
            int32_t left = length;
            while (left > 0) {
                const int32_t piece = left < kMIDIMessageMax ? left : kMIDIMessageMax;
                if (!readExactly(message, static_cast<DWORD>(piece))) return;
                left -= piece;
            }
            continue;
        }
        if (!readExactly(message, static_cast<DWORD>(length))) return;
        if (isSendableMessage(message, length)) {
            queue_.push(message, length);
        } else {
            queue_.countDrop();
        }
    }
}

// Blocks until `size` bytes have arrived; false when the pipe broke or the
// port is being closed.
bool LoopbackInput::readExactly(uint8_t* buffer, DWORD size) {
    DWORD got = 0;
    while (got < size) {
        OVERLAPPED overlapped = {};
        overlapped.hEvent = readDone_;
        ResetEvent(readDone_);
        if (!ReadFile(pipe_, buffer + got, size - got, nullptr, &overlapped) &&
            GetLastError() != ERROR_IO_PENDING) {
            return false;
        }
        const HANDLE waits[] = {readDone_, stop_};
        DWORD read = 0;
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
            CancelIo(pipe_);
            GetOverlappedResult(pipe_, &overlapped, &read, TRUE);
            return false;
        }
        if (!GetOverlappedResult(pipe_, &overlapped, &read, FALSE)) return false;
        got += read;
    }
    return true;
}

int32_t onePort() {
    return 1;
}

bool inputName(int32_t index, std::wstring* name) {
    if (index != 0) return false;
    *name = kLoopbackInputName;
    return true;
}

bool outputName(int32_t index, std::wstring* name) {
    if (index != 0) return false;
    *name = kLoopbackOutputName;
    return true;
}

MIDIIn* openInput(const wchar_t* name) {
    const std::wstring prefix = pipePrefix();
    if (prefix.empty() || std::wcscmp(name, kLoopbackInputName) != 0) return nullptr;
    HANDLE pipe = connectPipe(loopbackInputPipeName(prefix), GENERIC_READ, FILE_FLAG_OVERLAPPED);
    if (pipe == nullptr) return nullptr;
    auto* port = new (std::nothrow) LoopbackInput;
    if (port == nullptr) {
        CloseHandle(pipe);
        return nullptr;
    }
    if (!port->open(pipe)) {
        delete port;
        return nullptr;
    }
    return port;
}

MIDIOut* openOutput(const wchar_t* name) {
    const std::wstring prefix = pipePrefix();
    if (prefix.empty() || std::wcscmp(name, kLoopbackOutputName) != 0) return nullptr;
    HANDLE pipe = connectPipe(loopbackOutputPipeName(prefix), GENERIC_WRITE, 0);
    if (pipe == nullptr) return nullptr;
    auto* port = new (std::nothrow) LoopbackOutput(pipe);
    if (port == nullptr) CloseHandle(pipe);
    return port;
}

}  // namespace

const MIDIPortBackend* loopbackPortBackend() {
    static const MIDIPortBackend backend = {onePort, inputName, openInput,
                                            onePort, outputName, openOutput};
    return pipePrefix().empty() ? nullptr : &backend;
}
