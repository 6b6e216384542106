#include "tools/program_driver/loopback_pipe_server.h"

#include "midi/ports/loopback_pipe.h"

namespace {

constexpr DWORD kPipeBufferSize = 64 * 1024;
constexpr DWORD kPollMs = 2;

}  // namespace

LoopbackPipeServer::LoopbackPipeServer(const std::wstring& pipeName, Direction direction)
    : name_(pipeName), direction_(direction) {
    connected_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ioDone_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    // The first instance is made here, so the pipe exists before the
    // program starts.
    HANDLE first = createInstance();
    listening_ = first != INVALID_HANDLE_VALUE && connected_ != nullptr && ioDone_ != nullptr;
    if (!listening_) {
        if (first != INVALID_HANDLE_VALUE) CloseHandle(first);
        return;
    }
    server_ = std::thread([this, first] {
        OVERLAPPED connect = {};
        connect.hEvent = connected_;
        HANDLE instance = beginConnect(first, &connect) ? first : INVALID_HANDLE_VALUE;
        for (;;) {
            {
                std::lock_guard guard(mutex_);
                if (stopping_) break;
            }
            if (instance != INVALID_HANDLE_VALUE && WaitForSingleObject(connected_, kPollMs) == WAIT_OBJECT_0) {
                {
                    std::lock_guard guard(mutex_);
                    connections_.push_back(instance);
                    ++connectionCount_;
                }
                changed_.notify_all();
                instance = createInstance();
                connect = {};
                connect.hEvent = connected_;
                if (instance != INVALID_HANDLE_VALUE && !beginConnect(instance, &connect)) {
                    CloseHandle(instance);
                    instance = INVALID_HANDLE_VALUE;
                }
            } else if (instance == INVALID_HANDLE_VALUE) {
                Sleep(kPollMs);
            }
            if (direction_ == Direction::fromProgram) receiveFrames();
        }
        if (instance != INVALID_HANDLE_VALUE) {
            CancelIo(instance);
            DWORD ignored = 0;
            GetOverlappedResult(instance, &connect, &ignored, TRUE);
            CloseHandle(instance);
        }
    });
}

LoopbackPipeServer::~LoopbackPipeServer() {
    {
        std::lock_guard guard(mutex_);
        stopping_ = true;
    }
    if (server_.joinable()) server_.join();
    for (HANDLE connection : connections_) CloseHandle(connection);
    if (connected_) CloseHandle(connected_);
    if (ioDone_) CloseHandle(ioDone_);
}

HANDLE LoopbackPipeServer::createInstance() const {
    const DWORD access = direction_ == Direction::toProgram ? PIPE_ACCESS_OUTBOUND : PIPE_ACCESS_INBOUND;
    return CreateNamedPipeW(name_.c_str(), access | FILE_FLAG_OVERLAPPED,
                            PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, PIPE_UNLIMITED_INSTANCES,
                            kPipeBufferSize, kPipeBufferSize, 0, nullptr);
}

bool LoopbackPipeServer::beginConnect(HANDLE instance, OVERLAPPED* overlapped) const {
    ResetEvent(overlapped->hEvent);
    if (ConnectNamedPipe(instance, overlapped)) return true;
    switch (GetLastError()) {
    case ERROR_IO_PENDING: return true;
    case ERROR_PIPE_CONNECTED:  // the client came before the call
        SetEvent(overlapped->hEvent);
        return true;
    default: return false;
    }
}

bool LoopbackPipeServer::waitForConnections(int count, DWORD timeoutMs) {
    std::unique_lock guard(mutex_);
    return changed_.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                             [&] { return connectionCount_ >= count; });
}

bool LoopbackPipeServer::write(const LoopbackMessage& message) {
    HANDLE newest = nullptr;
    {
        std::lock_guard guard(mutex_);
        if (connections_.empty()) return false;
        newest = connections_.back();
    }
    std::vector<uint8_t> frame = {static_cast<uint8_t>(message.size() & 0xFF),
                                  static_cast<uint8_t>(message.size() >> 8)};
    frame.insert(frame.end(), message.begin(), message.end());
    OVERLAPPED overlapped = {};
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    overlapped.hEvent = done;
    DWORD written = 0;
    bool ok = WriteFile(newest, frame.data(), static_cast<DWORD>(frame.size()), nullptr, &overlapped) ||
              GetLastError() == ERROR_IO_PENDING;
    if (ok && WaitForSingleObject(done, 2000) != WAIT_OBJECT_0) {
        CancelIo(newest);
        ok = false;
    }
    ok = GetOverlappedResult(newest, &overlapped, &written, TRUE) && ok && written == frame.size();
    CloseHandle(done);
    return ok;
}

std::optional<LoopbackMessage> LoopbackPipeServer::read(DWORD timeoutMs) {
    std::unique_lock guard(mutex_);
    if (!changed_.wait_for(guard, std::chrono::milliseconds(timeoutMs), [&] { return !received_.empty(); })) {
        return std::nullopt;
    }
    LoopbackMessage message = std::move(received_.front());
    received_.pop_front();
    return message;
}

void LoopbackPipeServer::clear() {
    std::lock_guard guard(mutex_);
    received_.clear();
}

// On the server thread: every complete frame waiting on any connection; a
// connection the program closed is dropped.
void LoopbackPipeServer::receiveFrames() {
    std::vector<HANDLE> connections;
    {
        std::lock_guard guard(mutex_);
        connections = connections_;
    }
    for (HANDLE pipe : connections) {
        for (;;) {
            DWORD available = 0;
            if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) {
                std::lock_guard guard(mutex_);
                std::erase(connections_, pipe);
                CloseHandle(pipe);
                break;
            }
            if (available < static_cast<DWORD>(kLoopbackFrameHeader)) break;
            uint8_t header[kLoopbackFrameHeader];
            if (!readExactly(pipe, header, sizeof header)) break;
            LoopbackMessage message(static_cast<size_t>(header[0] | (header[1] << 8)));
            if (!message.empty() && !readExactly(pipe, message.data(), static_cast<DWORD>(message.size()))) break;
            {
                std::lock_guard guard(mutex_);
                received_.push_back(std::move(message));
            }
            changed_.notify_all();
        }
    }
}

bool LoopbackPipeServer::readExactly(HANDLE pipe, uint8_t* buffer, DWORD size) {
    DWORD got = 0;
    while (got < size) {
        OVERLAPPED overlapped = {};
        overlapped.hEvent = ioDone_;
        ResetEvent(ioDone_);
        if (!ReadFile(pipe, buffer + got, size - got, nullptr, &overlapped) && GetLastError() != ERROR_IO_PENDING) {
            return false;
        }
        DWORD read = 0;
        // The program writes a frame in one piece, so the rest is on its way.
        if (WaitForSingleObject(ioDone_, 2000) != WAIT_OBJECT_0) CancelIo(pipe);
        if (!GetOverlappedResult(pipe, &overlapped, &read, TRUE) || read == 0) return false;
        got += read;
    }
    return true;
}

LoopbackPipes::LoopbackPipes(const std::wstring& prefix)
    : toProgram(loopbackInputPipeName(prefix), LoopbackPipeServer::Direction::toProgram),
      fromProgram(loopbackOutputPipeName(prefix), LoopbackPipeServer::Direction::fromProgram) {}
