// The player as MIDI clock master at 120 bpm: a one-bar pattern loops for
// a minute with all three workers running, once with the fixed 10 ms poll
// and once with workers that wake when a pulse falls due. Reported side by
// side: the spread of the intervals between pulses (ideal 20.833 ms), how
// late pulse k left against its ideal time k x 20.833 ms from the start
// (pulse 0, the start position's, right at the start), and the count
// against the pulses of the loops played: 96 per bar before the last
// downbeat sent, plus those up to where the pattern stopped, so that a
// pulse lost or doubled anywhere shows, however late it was.
// Arguments: seconds (60).
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

constexpr wchar_t kInput[] = L"Pulse Bench In";
constexpr wchar_t kOutput[] = L"Pulse Bench Out";
constexpr int32_t kResolution = 480;
constexpr int64_t kTempo = 500000;  // 120 bpm
constexpr int64_t kPulsesPerQuarter = 24;

struct Figures {
    Spread intervals;
    Spread drift;          // pulse k's time less its ideal time
    double firstPulseMs = 0;  // pulse 0 after the start
    size_t pulses = 0;
    int64_t expected = 0;     // 24 per quarter note of the loops played
    long long firstOff = -1;  // first pulse outside [its ideal time, the next one's), -1 when none
    bool ok = false;
};

Figures play(WorkerPacing pacing, const std::vector<uint8_t>& smf, int seconds) {
    Figures figures;
    PlayerState& p = playerState;
    p.settings.midiOutSyncMode = 1;
    RecordingPlayerUi window;
    if (!startBenchPlayer(window, smf, static_cast<int32_t>(kTempo), kInput, kOutput, pacing)) return figures;
    const int64_t startNs = startBenchPattern();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    stopWorkerThreads();
    const int64_t stoppedAt = p.transport.patternPosition;
    releasePlayerObjects();

    std::vector<int64_t> times;
    int64_t downbeats = 0;
    for (const VirtualMIDIMessage& message : VirtualMIDI_Sent(kOutput)) {
        if (message.bytes == std::vector<uint8_t>{0xF8}) times.push_back(message.timeNs);
        if (message.bytes == std::vector<uint8_t>{0x99, 36, 100}) ++downbeats;
    }
    // The downbeat of a new loop leaves in the pass that wraps, together with
    // the pulses of the overrun, and the position then counts from 0 again.
    const int64_t pulsesPerBar = 4 * kPulsesPerQuarter;
    // The position is the first tick not yet played: the last loop's pulses
    // are those on its ticks 0 .. position - 1.
    figures.expected = (downbeats - 1) * pulsesPerBar + (stoppedAt - 1) * kPulsesPerQuarter / kResolution + 1;
    std::vector<int64_t> intervals, drift;
    const int64_t interval = kTempo * 1000 / kPulsesPerQuarter;
    for (size_t i = 0; i < times.size(); ++i) {
        const int64_t k = static_cast<int64_t>(i);
        const int64_t ideal = startNs + k * kTempo * 1000 / kPulsesPerQuarter;
        drift.push_back(times[i] - ideal);
        if (figures.firstOff < 0 && (drift.back() < 0 || drift.back() >= interval))
            figures.firstOff = static_cast<long long>(k);
        if (i > 0) intervals.push_back(times[i] - times[i - 1]);
    }
    figures.pulses = times.size();
    if (!times.empty()) figures.firstPulseMs = static_cast<double>(times[0] - startNs) / 1e6;
    figures.intervals = spreadOf(intervals);
    figures.drift = spreadOf(drift);
    figures.ok = times.size() > 1;
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    SmfBuilder smf(kResolution);
    smf.track().noteOn(0, 9, 36, 100).noteOff(kResolution / 2, 9, 36).endOfTrack(4 * kResolution);
    const std::vector<uint8_t> bytes = smf.bytes();

    printMachineLoad("before");
    const Figures fixed = play(WorkerPacing::FixedPassPeriod, bytes, seconds);
    const Figures due = play(WorkerPacing::WakeWhenDue, bytes, seconds);
    printMachineLoad("after");
    if (!fixed.ok || !due.ok) return 1;

    std::printf("MIDI clock master at 120 bpm (pulse every 20.833 ms), one-bar loop, %d s\n", seconds);
    std::printf("%-40s %22s %22s\n", "", "fixed 10 ms poll", "wake when due");
    auto row = [](const char* what, double a, double b) {
        std::printf("%-40s %22.3f %22.3f\n", what, a, b);
    };
    std::printf("%-40s %22zu %22zu\n", "pulses", fixed.pulses, due.pulses);
    std::printf("%-40s %22lld %22lld\n", "pulses of the loops played", static_cast<long long>(fixed.expected),
                static_cast<long long>(due.expected));
    row("first pulse after the start (ms)", fixed.firstPulseMs, due.firstPulseMs);
    row("interval mean (ms)", fixed.intervals.mean, due.intervals.mean);
    row("interval stddev (ms)", fixed.intervals.stddev, due.intervals.stddev);
    row("interval min (ms)", fixed.intervals.min, due.intervals.min);
    row("interval max (ms)", fixed.intervals.max, due.intervals.max);
    row("lateness against the ideal p50 (ms)", fixed.drift.p50, due.drift.p50);
    row("lateness against the ideal p99 (ms)", fixed.drift.p99, due.drift.p99);
    row("lateness against the ideal max (ms)", fixed.drift.max, due.drift.max);
    std::printf("%-40s %22lld %22lld\n", "first pulse late past the next (-1: none)", fixed.firstOff,
                due.firstOff);
    VirtualMIDI_RemoveAll();
    return 0;
}
