// The real Quillbex.exe timed on two roads to its MIDI devices: WinMM through
// Wine's winmm.dll to the stand-in driver, and the loop-back pipes. Per run
// and road: thru latency (20 notes played in, 30 ms apart, until they leave
// the output) and the lateness of a hi-hat on every eighth note at 120 bpm
// (5 s) against the grid of its first note; as a calibration, in the same
// run, a waitable-timer thread of this process on the same grid.
//
//   program_port_timing [runs]      (Windows, or under Wine with Xvfb)
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench/timing_support.h"
#include "midi/ports/loopback_pipe.h"
#include "resources/resource_ids.h"
#include "tests/fixtures/winmm_standin/standin_driver.h"
#include "tests/support/smf_builder.h"
#include "tests/support/standin_script.h"
#include "tools/program_driver/program_run.h"

namespace {

constexpr int64_t kEighthUs = 250000;
constexpr DWORD kPlayMs = 5000;
constexpr int kThruNotes = 20;

int64_t nowUs() { return StandinScript::nowUs(); }

// Lateness in nanoseconds against the nearest line of the grid of the first time.
std::vector<int64_t> gridLateness(const std::vector<int64_t>& timesUs) {
    std::vector<int64_t> late;
    for (int64_t t : timesUs) {
        const int64_t offset = t - timesUs.front();
        late.push_back((offset - (offset + kEighthUs / 2) / kEighthUs * kEighthUs) * 1000);
    }
    return late;
}

void print(const char* what, std::vector<int64_t> ns) {
    const Spread s = spreadOf(ns);
    std::printf("  %-30s n=%3zu median %6.2f p99 %6.2f max %6.2f sd %5.2f ms\n", what, ns.size(), s.p50, s.p99,
                s.max, s.stddev);
}

// The loop-back pipes' far side, read with blocking reads so each message is
// timed when it arrives.
class TimedPipes {
public:
    explicit TimedPipes(const std::wstring& prefix) {
        in_ = CreateNamedPipeW(loopbackInputPipeName(prefix).c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE, 1,
                               65536, 65536, 0, nullptr);
        out_ = CreateNamedPipeW(loopbackOutputPipeName(prefix).c_str(), PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE, 1,
                                65536, 65536, 0, nullptr);
        inConnector_ = std::thread([this] { ConnectNamedPipe(in_, nullptr); });
        reader_ = std::thread([this] { read(); });
    }
    ~TimedPipes() {
        inConnector_.join();
        reader_.join();
        CloseHandle(in_);
        CloseHandle(out_);
    }
    void write(const std::vector<uint8_t>& message) {
        std::vector<uint8_t> frame = {static_cast<uint8_t>(message.size()), 0};
        frame.insert(frame.end(), message.begin(), message.end());
        DWORD written = 0;
        WriteFile(in_, frame.data(), static_cast<DWORD>(frame.size()), &written, nullptr);
    }
    struct Timed {
        int64_t us;
        std::vector<uint8_t> bytes;
    };
    std::vector<Timed> received() {
        std::lock_guard guard(mutex_);
        return received_;
    }

private:
    void read() {
        ConnectNamedPipe(out_, nullptr);
        for (;;) {
            uint8_t header[2];
            DWORD got = 0;
            if (!ReadFile(out_, header, 2, &got, nullptr) || got != 2) return;
            std::vector<uint8_t> bytes(header[0] | header[1] << 8);
            if (!bytes.empty() && (!ReadFile(out_, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
                                   got != bytes.size())) return;
            const int64_t at = nowUs();
            std::lock_guard guard(mutex_);
            received_.push_back({at, bytes});
        }
    }
    HANDLE in_, out_;
    std::thread inConnector_, reader_;
    std::mutex mutex_;
    std::vector<Timed> received_;
};

// A timer thread on the notes' grid, for the floor of this machine and Wine.
std::vector<int64_t> calibrate(DWORD ms) {
    std::vector<int64_t> wakes;
    HANDLE timer = CreateWaitableTimerW(nullptr, FALSE, nullptr);
    const int64_t start = nowUs();
    for (int64_t due = start + kEighthUs; due < start + ms * 1000; due += kEighthUs) {
        LARGE_INTEGER relative;
        relative.QuadPart = -(due - nowUs()) * 10;
        SetWaitableTimer(timer, &relative, 0, nullptr, nullptr, FALSE);
        WaitForSingleObject(timer, INFINITE);
        wakes.push_back(nowUs());
    }
    CloseHandle(timer);
    return wakes;
}

std::vector<std::wstring> settings(const wchar_t* in, const wchar_t* out) {
    return {L"[Status]", L"PatternName=HiHat.mid", L"Tempo=500000", L"SyncStart=0", L"SyncStop=0",
            L"[MIDI Device]", std::wstring(L"MIDIInName=") + in, std::wstring(L"MIDIOutName=") + out, L"MIDIThru=1",
            L"[MIDI Sync Mode]", L"MIDIOutSyncMode=0", L"[Language]", L"UserInterface=English"};
}

bool isHiHat(const std::vector<uint8_t>& m) { return m.size() == 3 && m[0] == 0x99 && m[1] == 42 && m[2] > 0; }

void playAndClose(ProgramRun& run, HWND window, std::vector<int64_t>* calibration) {
    clickButton(window, IDC_START_BUTTON);
    *calibration = calibrate(kPlayMs);
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    run.waitForExit();
}

void overWinMM(const std::filesystem::path& programFolder, const std::filesystem::path& driver) {
    StandinScript standin(uniqueName(L"port-timing"), {"Keys"}, {"Synth"});
    ProgramFolder folder(programFolder);
    folder.replaceModule(driver);
    folder.addPattern(L"HiHat.mid", hiHatEighths());
    folder.writeSettings(settings(L"Keys", L"Synth"));
    SetEnvironmentVariableW(kStandinPipeVariable, standin.stem().c_str());
    ProgramRun run(folder);
    SetEnvironmentVariableW(kStandinPipeVariable, nullptr);
    HWND window = run.mainWindow();
    if (!window || !standin.waitFor([](const StandinLog& l) { return countEvents(l, "start", false) > 0; }, 5000)) {
        std::printf("  the program did not open the stand-in's devices\n");
        return;
    }
    for (int i = 0; i < kThruNotes; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "short 0 0 90 %02X 64\n", 40 + i);
        standin.send(line);
        Sleep(30);
    }
    std::vector<int64_t> calibration;
    const size_t thruEnd = standin.log().size();
    playAndClose(run, window, &calibration);
    const StandinLog log = standin.log();
    std::vector<int64_t> thru, notes;
    for (size_t i = 0; i < log.size(); ++i) {
        const StandinEvent& e = log[i];
        if (e.event == "in") {
            for (size_t j = i; j < log.size(); ++j) {
                if (log[j].output && log[j].event == "data" && log[j].bytes == e.bytes) {
                    thru.push_back((log[j].us - e.us) * 1000);
                    break;
                }
            }
        }
        if (i >= thruEnd && e.output && e.event == "data" && isHiHat(e.bytes)) notes.push_back(e.us);
    }
    print("WinMM thru latency", thru);
    print("WinMM hi-hat lateness", gridLateness(notes));
    print("calibration (timer thread)", gridLateness(calibration));
}

void overLoopback(const std::filesystem::path& programFolder) {
    const std::wstring prefix = uniqueName(L"port-timing-pipe");
    TimedPipes pipes(prefix);
    ProgramFolder folder(programFolder);
    folder.addPattern(L"HiHat.mid", hiHatEighths());
    folder.writeSettings(settings(kLoopbackInputName, kLoopbackOutputName));
    ProgramRun run(folder, prefix);
    HWND window = run.mainWindow();
    if (!window) return;
    Sleep(500);
    std::vector<int64_t> written;
    for (int i = 0; i < kThruNotes; ++i) {
        written.push_back(nowUs());
        pipes.write({0x90, static_cast<uint8_t>(40 + i), 100});
        Sleep(30);
    }
    std::vector<int64_t> calibration;
    playAndClose(run, window, &calibration);
    std::vector<int64_t> thru, notes;
    for (const TimedPipes::Timed& m : pipes.received()) {
        if (m.bytes.size() == 3 && m.bytes[0] == 0x90 && m.bytes[1] >= 40 && m.bytes[1] < 40 + kThruNotes)
            thru.push_back((m.us - written[m.bytes[1] - 40]) * 1000);
        if (isHiHat(m.bytes)) notes.push_back(m.us);
    }
    print("pipe thru latency", thru);
    print("pipe hi-hat lateness", gridLateness(notes));
    print("calibration (timer thread)", gridLateness(calibration));
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const auto programFolder = besideThisProgram(QUILLBEX_PROGRAM_FOLDER_FROM_BENCH);
    const auto driver = besideThisProgram(QUILLBEX_STANDIN_DRIVER_FROM_BENCH);
    printMachineLoad("before");
    for (int run = 1; run <= runs; ++run) {
        std::printf("run %d\n", run);
        overWinMM(programFolder, driver);
        overLoopback(programFolder);
    }
    printMachineLoad("after");
    return 0;
}
