// The far side of the program's loop-back MIDI ports (midi/ports/
// loopback_pipe.h): the two named pipe servers a test or a tool creates
// before it starts the program, so the program's ports connect to them when
// opened.
//
//   LoopbackPipes pipes(L"quillbex-test-1234");  // and set the variable
//   pipes.toProgram.write({0x99, 36, 100});       // arrives at the input port
//   auto sent = pipes.fromProgram.read(2000);     // what the output port sent
//
// Windows only. Every wait is bounded by the timeout given.
#pragma once

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using LoopbackMessage = std::vector<uint8_t>;

// One pipe server. It accepts every connection the program makes (one per
// opening of the port, so a reopened port connects again) and keeps one
// instance listening for the next.
class LoopbackPipeServer {
public:
    enum class Direction { toProgram, fromProgram };

    LoopbackPipeServer(const std::wstring& pipeName, Direction direction);
    ~LoopbackPipeServer();
    LoopbackPipeServer(const LoopbackPipeServer&) = delete;
    LoopbackPipeServer& operator=(const LoopbackPipeServer&) = delete;

    // False when the pipe could not be created.
    bool listening() const { return listening_; }
    // How often the program has connected so far; waits until it reaches
    // `count`, at most `timeoutMs`.
    bool waitForConnections(int count, DWORD timeoutMs);

    // To the program: one message as a frame on the newest connection.
    bool write(const LoopbackMessage& message);
    // From the program: the oldest message not yet read, waiting at most
    // `timeoutMs` for one.
    std::optional<LoopbackMessage> read(DWORD timeoutMs);
    // Reads until `done` holds for the messages read so far or the time is
    // up; returns them all.
    template <typename Done>
    std::vector<LoopbackMessage> readUntil(Done done, DWORD timeoutMs);
    // Forgets every message received and not yet read.
    void clear();

private:
    HANDLE createInstance() const;
    bool beginConnect(HANDLE instance, OVERLAPPED* overlapped) const;
    void serve();
    void receiveFrames();
    bool readExactly(HANDLE pipe, uint8_t* buffer, DWORD size);

    const std::wstring name_;
    const Direction direction_;
    bool listening_ = false;
    HANDLE connected_ = nullptr;  // event of the pending connect
    HANDLE ioDone_ = nullptr;     // event of reads and writes
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<HANDLE> connections_;
    int connectionCount_ = 0;
    std::deque<LoopbackMessage> received_;
    bool stopping_ = false;
    std::thread server_;
};

template <typename Done>
std::vector<LoopbackMessage> LoopbackPipeServer::readUntil(Done done, DWORD timeoutMs) {
    std::vector<LoopbackMessage> messages;
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!done(messages)) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) break;
        std::optional<LoopbackMessage> next = read(static_cast<DWORD>(deadline - now));
        if (!next) break;
        messages.push_back(std::move(*next));
    }
    return messages;
}

// Both pipes of one program run, named after `prefix`, the value of
// QUILLBEX_LOOPBACK_PIPE for that run.
struct LoopbackPipes {
    explicit LoopbackPipes(const std::wstring& prefix);
    LoopbackPipeServer toProgram;
    LoopbackPipeServer fromProgram;
};
