// Plays a one-bar pattern of sixteenths at 120 bpm on the real clock into a
// virtual port, with all three workers running as in the program, once with
// the fixed 10 ms poll and once with workers that wake when a message falls
// due, and reports side by side:
// - how late each message left against its ideal time, the clock's start
//   plus the event's tick in real time; an event leaves in the first pass
//   whose tick is past its own, so one tick (1.04 ms at 480 ticks per
//   quarter note) is the floor, and the lateness past that tick is shown too;
// - the CPU time of the whole process while stopped and while playing, in
//   percent of one core.
// Arguments: resolution (480), seconds per phase (10).
#include "app/workers.h"
#include "bench/bench_player.h"
#include "bench/timing_support.h"
#include "engine/player_state.h"
#include "engine/transport.h"
#include "engine/worker_sleep.h"
#include "midi/clock/midi_clock.h"
#include "midi/ports/virtual_midi.h"
#include "midi/song/midi_data.h"
#include "tests/support/player_setup.h"
#include "tests/support/recording_player_ui.h"
#include "tests/support/smf_builder.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr wchar_t kInput[] = L"Lateness Bench In";
constexpr wchar_t kOutput[] = L"Lateness Bench Out";
constexpr int32_t kTempo = 500000;  // 120 bpm

struct PatternMessage {
    int32_t tick;
    std::vector<uint8_t> bytes;
};

struct Figures {
    Spread lateness;
    Spread pastDueTick;
    double cpuStopped = 0;  // percent of one core
    double cpuPlaying = 0;
    bool ok = false;
};

// CPU of the process over `seconds` of wall time, in percent of one core.
double cpuPercentOver(int seconds) {
    const double cpuBefore = processCpuSeconds();
    const int64_t wallBefore = MIDIClockLib_Now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double wall = static_cast<double>(MIDIClockLib_Now() - wallBefore) / 1e9;
    return 100.0 * (processCpuSeconds() - cpuBefore) / wall;
}

Figures play(bool fixedPoll, const std::vector<uint8_t>& smf, const std::vector<PatternMessage>& cycle,
             int32_t resolution, int seconds) {
    Figures figures;
    setFixedWorkerPoll(fixedPoll);
    PlayerState& p = playerState;
    RecordingPlayerUi window;
    if (!setUpBenchPlayer(window, smf, kTempo, kInput, kOutput)) return figures;
    p.mainWindow = &window;
    if (!startWorkerThreads()) {
        std::fprintf(stderr, "could not start the worker threads\n");
        return figures;
    }

    figures.cpuStopped = cpuPercentOver(seconds);
    const int64_t startNs = startBenchPattern();
    figures.cpuPlaying = cpuPercentOver(seconds);
    stopWorkerThreads();
    releasePlayerObjects();

    const int64_t barTicks = 4 * resolution;
    auto ticksToNs = [&](int64_t ticks) { return ticks * kTempo * 1000 / resolution; };
    const std::vector<VirtualMIDIMessage> sent = VirtualMIDI_Sent(kOutput);
    std::vector<int64_t> lateness, pastDueTick;
    for (size_t i = 0; i < sent.size(); ++i) {
        const PatternMessage& expected = cycle[i % cycle.size()];
        if (sent[i].bytes != expected.bytes) {
            std::fprintf(stderr, "message %zu is not the pattern's next message\n", i);
            return figures;
        }
        const int64_t tick = static_cast<int64_t>(i / cycle.size()) * barTicks + expected.tick;
        lateness.push_back(sent[i].timeNs - (startNs + ticksToNs(tick)));
        pastDueTick.push_back(sent[i].timeNs - (startNs + ticksToNs(tick + 1)));
    }
    figures.lateness = spreadOf(lateness);
    figures.pastDueTick = spreadOf(pastDueTick);
    figures.ok = !lateness.empty();
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    const int32_t resolution = argc > 1 ? std::max(24, std::atoi(argv[1])) : 480;
    const int seconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;

    // Sixteenth notes with a note-off halfway to the next.
    SmfBuilder smf(static_cast<uint16_t>(resolution));
    SmfTrackBuilder& track = smf.track();
    std::vector<PatternMessage> cycle;
    for (int step = 0; step < 16; ++step) {
        const int key = (step % 4 == 0) ? 36 : 42;
        const int32_t on = step * resolution / 4;
        const int32_t off = on + resolution / 8;
        track.noteOn(on, 9, key, 100).noteOff(off, 9, key);
        cycle.push_back({on, {0x99, static_cast<uint8_t>(key), 100}});
        cycle.push_back({off, {0x99, static_cast<uint8_t>(key), 0}});
    }
    track.endOfTrack(4 * resolution);
    const std::vector<uint8_t> bytes = smf.bytes();

    printMachineLoad("before");
    const Figures fixed = play(true, bytes, cycle, resolution, seconds);
    const Figures due = play(false, bytes, cycle, resolution, seconds);
    printMachineLoad("after");
    if (!fixed.ok || !due.ok) return 1;

    std::printf("one bar of sixteenths at 120 bpm, %d ticks per quarter note, %d s stopped then %d s playing\n",
                resolution, seconds, seconds);
    std::printf("%-40s %22s %22s\n", "", "fixed 10 ms poll", "wake when due");
    auto row = [](const char* what, double a, double b) {
        std::printf("%-40s %22.3f %22.3f\n", what, a, b);
    };
    std::printf("%-40s %22zu %22zu\n", "messages", fixed.lateness.count, due.lateness.count);
    row("lateness min (ms)", fixed.lateness.min, due.lateness.min);
    row("lateness p50 (ms)", fixed.lateness.p50, due.lateness.p50);
    row("lateness p99 (ms)", fixed.lateness.p99, due.lateness.p99);
    row("lateness max (ms)", fixed.lateness.max, due.lateness.max);
    row("past the due tick p50 (ms)", fixed.pastDueTick.p50, due.pastDueTick.p50);
    row("past the due tick p99 (ms)", fixed.pastDueTick.p99, due.pastDueTick.p99);
    row("past the due tick max (ms)", fixed.pastDueTick.max, due.pastDueTick.max);
    row("CPU stopped (% of one core)", fixed.cpuStopped, due.cpuStopped);
    row("CPU playing (% of one core)", fixed.cpuPlaying, due.cpuPlaying);
    VirtualMIDI_RemoveAll();
    return 0;
}
