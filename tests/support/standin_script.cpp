#include "tests/support/standin_script.h"

#include <sstream>

namespace {

constexpr DWORD kPipeBufferSize = 64 * 1024;
constexpr DWORD kPollMs = 1;

HANDLE createPipe(const std::wstring& name, DWORD access) {
    return CreateNamedPipeW(name.c_str(), access | FILE_FLAG_OVERLAPPED, PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT,
                            1, kPipeBufferSize, kPipeBufferSize, 0, nullptr);
}

// Starts waiting for the driver to open its end; the event is set when it has.
void beginConnect(HANDLE pipe, OVERLAPPED* overlapped) {
    overlapped->hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!ConnectNamedPipe(pipe, overlapped) && GetLastError() == ERROR_PIPE_CONNECTED) SetEvent(overlapped->hEvent);
}

bool connected(OVERLAPPED* overlapped) {
    return WaitForSingleObject(overlapped->hEvent, 0) == WAIT_OBJECT_0;
}

// One read or write on an overlapped pipe, waited for.
bool transfer(HANDLE pipe, bool write, void* data, DWORD size, DWORD* done) {
    OVERLAPPED overlapped = {};
    overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    bool ok = write ? WriteFile(pipe, data, size, nullptr, &overlapped) : ReadFile(pipe, data, size, nullptr, &overlapped);
    ok = (ok || GetLastError() == ERROR_IO_PENDING) && GetOverlappedResult(pipe, &overlapped, done, TRUE);
    CloseHandle(overlapped.hEvent);
    return ok;
}

StandinEvent parseEvent(const std::string& line) {
    std::istringstream in(line);
    StandinEvent e;
    std::string direction, hex;
    long long us = 0;
    in >> us >> e.event >> direction >> e.device;
    e.us = us;
    e.output = direction == "out";
    while (in >> hex) e.bytes.push_back(static_cast<uint8_t>(std::stoul(hex, nullptr, 16)));
    return e;
}

}  // namespace

StandinScript::StandinScript(const std::wstring& stem, const std::vector<std::string>& inputs,
                             const std::vector<std::string>& outputs)
    : stem_(stem) {
    for (const std::string& name : inputs) deviceList_ += "in " + name + "\n";
    for (const std::string& name : outputs) deviceList_ += "out " + name + "\n";
    deviceList_ += "end\n";
    const std::wstring pipe = L"\\\\.\\pipe\\" + stem;
    script_ = createPipe(pipe + L"-script", PIPE_ACCESS_OUTBOUND);
    log_pipe_ = createPipe(pipe + L"-log", PIPE_ACCESS_INBOUND);
    server_ = std::thread([this] { serve(); });
}

StandinScript::~StandinScript() {
    {
        std::lock_guard guard(mutex_);
        stopping_ = true;
    }
    server_.join();
    CloseHandle(script_);
    CloseHandle(log_pipe_);
}

void StandinScript::serve() {
    OVERLAPPED scriptConnect = {}, logConnect = {};
    beginConnect(script_, &scriptConnect);
    beginConnect(log_pipe_, &logConnect);
    bool logConnected = false;
    for (;;) {
        {
            std::lock_guard guard(mutex_);
            if (stopping_) break;
        }
        if (!scriptConnected_ && connected(&scriptConnect)) {
            std::lock_guard guard(writeMutex_);
            DWORD written = 0;
            scriptConnected_ = transfer(script_, true, deviceList_.data(), static_cast<DWORD>(deviceList_.size()),
                                        &written);
        }
        logConnected = logConnected || connected(&logConnect);
        if (logConnected) readLog();
        Sleep(kPollMs);
    }
    for (HANDLE pipe : {script_, log_pipe_}) CancelIo(pipe);
    DWORD ignored = 0;
    GetOverlappedResult(script_, &scriptConnect, &ignored, TRUE);
    GetOverlappedResult(log_pipe_, &logConnect, &ignored, TRUE);
    CloseHandle(scriptConnect.hEvent);
    CloseHandle(logConnect.hEvent);
}

// Everything the driver has written so far, taken in one read.
void StandinScript::readLog() {
    DWORD available = 0;
    if (!PeekNamedPipe(log_pipe_, nullptr, 0, nullptr, &available, nullptr) || available == 0) return;
    std::string text(available, '\0');
    DWORD got = 0;
    if (!transfer(log_pipe_, false, text.data(), available, &got)) return;
    partialLine_.append(text, 0, got);
    std::lock_guard guard(mutex_);
    for (size_t end; (end = partialLine_.find('\n')) != std::string::npos; partialLine_.erase(0, end + 1)) {
        log_.push_back(parseEvent(partialLine_.substr(0, end)));
    }
    changed_.notify_all();
}

bool StandinScript::send(const std::string& lines) {
    std::lock_guard guard(writeMutex_);
    if (!scriptConnected_) return false;
    DWORD written = 0;
    std::string text = lines;
    return transfer(script_, true, text.data(), static_cast<DWORD>(text.size()), &written) && written == text.size();
}

StandinLog StandinScript::log() const {
    std::lock_guard guard(mutex_);
    return log_;
}

int64_t StandinScript::nowUs() {
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return count.QuadPart / frequency.QuadPart * 1000000 +
           count.QuadPart % frequency.QuadPart * 1000000 / frequency.QuadPart;
}

int countEvents(const StandinLog& log, const char* event, bool output) {
    int count = 0;
    for (const StandinEvent& e : log) count += e.event == event && e.output == output;
    return count;
}
