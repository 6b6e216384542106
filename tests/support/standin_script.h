// The test's side of the stand-in MIDI driver (tests/fixtures/winmm_standin/
// standin_driver.h): serves the driver's script and log pipes, lists the
// devices once the driver connects, sends commands and collects what the
// driver logged.
//
//   StandinScript standin(L"quillbex-standin-1", {"Keys"}, {"Synth"});
//   // start the program with QUILLBEX_STANDIN_PIPE=standin.stem()
//   standin.send("short 0 0 90 3C 64\n");
//   standin.waitFor([](auto& log) { return countEvents(log, "data") > 0; }, 2000);
//
// Windows only. Every wait is bounded by the timeout given.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// One line of the driver's log.
struct StandinEvent {
    int64_t us = 0;  // QueryPerformanceCounter time in microseconds
    std::string event;
    bool output = false;
    int device = 0;
    std::vector<uint8_t> bytes;
};
using StandinLog = std::vector<StandinEvent>;

class StandinScript {
public:
    // Device names in UTF-8, numbered from 0 in the order given.
    StandinScript(const std::wstring& stem, const std::vector<std::string>& inputs,
                  const std::vector<std::string>& outputs);
    ~StandinScript();
    StandinScript(const StandinScript&) = delete;
    StandinScript& operator=(const StandinScript&) = delete;

    const std::wstring& stem() const { return stem_; }
    // Lines written at once, carried out back to back; false when no driver
    // is connected.
    bool send(const std::string& lines);
    StandinLog log() const;
    // Waits until `done(log())` holds, at most `timeoutMs`.
    template <typename Done>
    bool waitFor(Done done, DWORD timeoutMs) {
        std::unique_lock guard(mutex_);
        return changed_.wait_for(guard, std::chrono::milliseconds(timeoutMs), [&] { return done(log_); });
    }

    // The driver's clock, read in this process.
    static int64_t nowUs();

private:
    void serve();
    void readLog();

    const std::wstring stem_;
    std::string deviceList_;
    HANDLE script_ = INVALID_HANDLE_VALUE;
    HANDLE log_pipe_ = INVALID_HANDLE_VALUE;
    bool scriptConnected_ = false;  // guarded by writeMutex_
    std::string partialLine_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::mutex writeMutex_;
    StandinLog log_;
    bool stopping_ = false;
    std::thread server_;
};

// How many events named `event` the log holds, for one device direction.
int countEvents(const StandinLog& log, const char* event, bool output = true);
