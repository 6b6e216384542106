// Runs clocks at several tempos against the steady clock for a while (12 s
// by default, or the seconds given as the argument), reading them the way
// the pattern player does: a read, a loop wrap when the tick passes the
// loop's end, a short sleep. Reports the largest distance, in ticks, of any
// read from the exact tick for the time it was taken.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "midi/clock/midi_clock.h"

namespace {

struct Run {
    int32_t bpm;
    MIDIClock* clock;
    int64_t startedAfter;   // Now() just before and after MIDIClock_Start
    int64_t startedBefore;
    int64_t wrappedTicks;
    int64_t largestError;
    int64_t reads;
};

constexpr int32_t kResolution = 480;
constexpr int32_t kLoopLength = kResolution * 4;

int64_t exactTick(int64_t elapsedNs, int32_t tempo) {
    // elapsed * 480 fits 64 bits for far longer than any run.
    return elapsedNs * kResolution / (int64_t{tempo} * 1000);
}

}  // namespace

int main(int argc, char** argv) {
    const int64_t seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 12;
    std::vector<Run> runs;
    for (int32_t bpm : {40, 120, 256}) {
        MIDIClock* clock = MIDIClock_Create(0, kResolution, 60000000 / bpm);
        if (clock == nullptr) return 1;
        runs.push_back({bpm, clock, 0, 0, 0, 0, 0});
    }
    for (Run& run : runs) {
        run.startedBefore = MIDIClockLib_Now();
        MIDIClock_Start(run.clock);
        run.startedAfter = MIDIClockLib_Now();
    }
    const int64_t end = MIDIClockLib_Now() + seconds * 1000000000;
    while (MIDIClockLib_Now() < end) {
        for (Run& run : runs) {
            const int32_t tempo = MIDIClock_GetTempo(run.clock);
            const int64_t before = MIDIClockLib_Now();
            const int32_t tick = MIDIClock_GetTickCount(run.clock);
            const int64_t after = MIDIClockLib_Now();
            // The read happened somewhere in [before, after] and the start
            // somewhere in [startedBefore, startedAfter].
            const int64_t lowest = exactTick(before - run.startedAfter, tempo);
            const int64_t highest = exactTick(after - run.startedBefore, tempo);
            const int64_t counted = run.wrappedTicks + tick;
            const int64_t error = counted < lowest ? lowest - counted : counted > highest ? counted - highest : 0;
            run.largestError = std::max(run.largestError, error);
            ++run.reads;
            if (tick >= kLoopLength) {
                MIDIClock_ShiftTickCount(run.clock, -kLoopLength);
                run.wrappedTicks += kLoopLength;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    int64_t largest = 0;
    for (const Run& run : runs) {
        std::printf("%3d bpm, resolution %d: %lld reads over %lld s, largest tick error %lld\n", run.bpm,
                    kResolution, static_cast<long long>(run.reads), static_cast<long long>(seconds),
                    static_cast<long long>(run.largestError));
        largest = std::max(largest, run.largestError);
        MIDIClock_Delete(run.clock);
    }
    std::printf("largest tick error: %lld\n", static_cast<long long>(largest));
    return largest <= 1 ? 0 : 2;
}
