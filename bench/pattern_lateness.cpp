// Plays a one-bar pattern of sixteenths at 120 bpm on the real clock into a
// virtual port, with all three workers running as in the program and waking
// when a message falls due, at 24, 96, 480 and 960 ticks per quarter note,
// each twice: with every note written one tick after its own tick, so that
// it leaves in the first pass past its tick, as it did when a pass sent only
// the notes before the tick it read, and with the notes on their own tick.
// Reported side by side:
// - how late each message left against its own tick's ideal time, the
//   clock's start plus the tick in real time;
// - the CPU time of the whole process while stopped and while playing, in
//   percent of one core, and how often a second the workers woke while
//   stopped.
// Argument: seconds per phase (5).
#include "bench/bench_player.h"
#include "bench/timing_support.h"
#include "engine/player_state.h"
#include "engine/transport.h"
#include "engine/worker_sleep.h"
#include "midi/clock/midi_clock.h"
#include "midi/ports/virtual_midi.h"
#include "midi/song/midi_data.h"
#include "runtime/workers.h"
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
    double cpuStopped = 0;  // percent of one core
    double cpuPlaying = 0;
    double wakeUpsStopped = 0;  // a second, all three workers
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

Figures play(const std::vector<uint8_t>& smf, const std::vector<PatternMessage>& cycle, int32_t resolution,
             int seconds) {
    Figures figures;
    RecordingPlayerUi window;
    if (!startBenchPlayer(window, smf, kTempo, kInput, kOutput)) return figures;

    const uint64_t wakeUpsBefore = workerWakeUpCount();
    figures.cpuStopped = cpuPercentOver(seconds);
    figures.wakeUpsStopped = static_cast<double>(workerWakeUpCount() - wakeUpsBefore) / seconds;
    const int64_t startNs = startBenchPattern();
    figures.cpuPlaying = cpuPercentOver(seconds);
    stopWorkerThreads();
    releasePlayerObjects();

    const int64_t barTicks = 4 * resolution;
    auto ticksToNs = [&](int64_t ticks) { return ticks * kTempo * 1000 / resolution; };
    const std::vector<VirtualMIDIMessage> sent = VirtualMIDI_Sent(kOutput);
    std::vector<int64_t> lateness;
    for (size_t i = 0; i < sent.size(); ++i) {
        const PatternMessage& expected = cycle[i % cycle.size()];
        if (sent[i].bytes != expected.bytes) {
            std::fprintf(stderr, "message %zu (%02X %02X %02X) is not the pattern's next message\n", i,
                         sent[i].bytes[0], sent[i].bytes.size() > 1 ? sent[i].bytes[1] : 0,
                         sent[i].bytes.size() > 2 ? sent[i].bytes[2] : 0);
            return figures;
        }
        const int64_t tick = static_cast<int64_t>(i / cycle.size()) * barTicks + expected.tick;
        lateness.push_back(sent[i].timeNs - (startNs + ticksToNs(tick)));
    }
    figures.lateness = spreadOf(lateness);
    figures.ok = !lateness.empty();
    return figures;
}

// Sixteenth notes with a note-off halfway to the next, each written
// `lateTicks` after its own tick; `cycle` gets the own ticks.
std::vector<uint8_t> sixteenths(int32_t resolution, int32_t lateTicks, std::vector<PatternMessage>& cycle) {
    SmfBuilder smf(static_cast<uint16_t>(resolution));
    SmfTrackBuilder& track = smf.track();
    for (int step = 0; step < 16; ++step) {
        const int key = (step % 4 == 0) ? 36 : 42;
        const int32_t on = step * resolution / 4;
        const int32_t off = on + resolution / 8;
        track.noteOn(on + lateTicks, 9, key, 100).noteOff(off + lateTicks, 9, key);
        cycle.push_back({on, {0x99, static_cast<uint8_t>(key), 100}});
        cycle.push_back({off, {0x99, static_cast<uint8_t>(key), 0}});
    }
    track.endOfTrack(4 * resolution);
    return smf.bytes();
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    printMachineLoad("before");
    std::printf("one bar of sixteenths at 120 bpm, %d s stopped then %d s playing; lateness from each note's own tick\n",
                seconds, seconds);
    std::printf("%-8s %-16s %9s %9s %9s %9s %12s %14s %12s\n", "ticks/q", "notes leave", "messages", "p50 ms",
                "p99 ms", "max ms", "CPU stopped", "wake-ups/s", "CPU playing");
    for (const int32_t resolution : {24, 96, 480, 960}) {
        for (const int32_t lateTicks : {1, 0}) {
            std::vector<PatternMessage> cycle;
            const std::vector<uint8_t> bytes = sixteenths(resolution, lateTicks, cycle);
            const Figures f = play(bytes, cycle, resolution, seconds);
            if (!f.ok) return 1;
            std::printf("%-8d %-16s %9zu %9.3f %9.3f %9.3f %11.3f%% %14.1f %11.2f%%\n", resolution,
                        lateTicks ? "one tick late" : "on its own tick", f.lateness.count, f.lateness.p50,
                        f.lateness.p99, f.lateness.max, f.cpuStopped, f.wakeUpsStopped, f.cpuPlaying);
            VirtualMIDI_RemoveAll();
        }
    }
    printMachineLoad("after");
    return 0;
}
