// Thru latency of the MIDI input thread: 1 000 notes injected into a
// virtual input, one every 3 ms, while a 100 000-event pattern plays
// through the pattern thread; each note's latency is the time it was
// recorded on the virtual output less the time it was injected. Run once
// with the fixed 10 ms poll (up to one poll period plus the time the
// pattern pass holds the lock) and once with an input thread that wakes
// when a message arrives.
#include "engine/player_state.h"
#include "engine/transport.h"
#include "engine/worker_sleep.h"
#include "bench/bench_player.h"
#include "bench/timing_support.h"
#include "midi/clock/midi_clock.h"
#include "midi/song/midi_data.h"
#include "midi/ports/midi_io.h"
#include "midi/status/midi_status.h"
#include "midi/ports/virtual_midi.h"
#include "runtime/workers.h"
#include "tests/support/player_setup.h"
#include "tests/support/recording_player_ui.h"
#include "tests/support/smf_builder.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <thread>
#include <utility>
#include <vector>

namespace {

constexpr wchar_t kInput[] = L"Thru Bench In";
constexpr wchar_t kOutput[] = L"Thru Bench Out";
constexpr int32_t kResolution = 480;
constexpr int32_t kDefaultPatternEvents = 100000;
constexpr int32_t kNotes = 1000;

// One bar of 1920 ticks packed with drum notes (on and off); with 100 000
// events about 500 fall into every 10 ms pass at 120 bpm.
std::vector<uint8_t> densePattern(int32_t events) {
    SmfBuilder smf(kResolution);
    SmfTrackBuilder& track = smf.track();
    const int32_t bar = 4 * kResolution;
    for (int32_t i = 0; i < events / 2; ++i) {
        const int32_t tick = static_cast<int32_t>(static_cast<int64_t>(i) * bar / (events / 2));
        const int key = 35 + i % 47;
        track.noteOn(tick, 9, key, 100).noteOff(tick, 9, key);
    }
    track.endOfTrack(bar);
    return smf.bytes();
}

struct Figures {
    Spread latency;
    int32_t refused = 0;
    size_t lost = 0;
    size_t patternMessages = 0;
    bool ok = false;
};

Figures play(WorkerPacing pacing, const std::vector<uint8_t>& pattern) {
    Figures figures;
    PlayerState& p = playerState;
    p.settings.midiThru = 1;
    RecordingPlayerUi window;
    if (!setUpBenchPlayer(window, pattern, 500000, kInput, kOutput)) return figures;

    p.shell.mainWindow = &window;
    startPattern();
    if (!startWorkerThreads(pacing)) {
        std::fprintf(stderr, "could not start the worker threads\n");
        return figures;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // let the loop settle

    // Each note is told apart by its key and velocity on channel 1.
    std::map<std::pair<uint8_t, uint8_t>, int64_t> injected;
    for (int32_t i = 0; i < kNotes; ++i) {
        const uint8_t note[3] = {0x90, static_cast<uint8_t>(i % 128), static_cast<uint8_t>(1 + i / 128)};
        const int64_t now = MIDIClockLib_Now();
        if (VirtualMIDI_Inject(kInput, note, 3))
            injected[{note[1], note[2]}] = now;
        else
            ++figures.refused;
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    stopWorkerThreads();
    releasePlayerObjects();

    std::vector<int64_t> latencies;
    for (const VirtualMIDIMessage& message : VirtualMIDI_Sent(kOutput)) {
        if (message.bytes.size() != 3 || message.bytes[0] != 0x90) {
            ++figures.patternMessages;
            continue;
        }
        auto found = injected.find({message.bytes[1], message.bytes[2]});
        if (found != injected.end()) latencies.push_back(message.timeNs - found->second);
    }
    figures.lost = injected.size() - latencies.size();
    figures.latency = spreadOf(latencies);
    figures.ok = !latencies.empty();
    if (!figures.ok) std::fprintf(stderr, "no note came through\n");
    return figures;
}

}  // namespace

// Optional argument: the number of pattern events (100 000 by default), to
// compare with a light pattern on the same machine.
int main(int argc, char** argv) {
    const int32_t events = argc > 1 ? std::max(2, std::atoi(argv[1])) : kDefaultPatternEvents;
    const std::vector<uint8_t> pattern = densePattern(events);
    printMachineLoad("before");
    const Figures fixed = play(WorkerPacing::FixedPassPeriod, pattern);
    const Figures due = play(WorkerPacing::WakeWhenDue, pattern);
    printMachineLoad("after");
    if (!fixed.ok || !due.ok) return 1;

    std::printf("thru latency over %d notes while a %d-event pattern plays\n", kNotes, events);
    std::printf("%-40s %22s %22s\n", "", "fixed 10 ms poll", "wake on arrival");
    auto row = [](const char* what, double a, double b) {
        std::printf("%-40s %22.3f %22.3f\n", what, a, b);
    };
    std::printf("%-40s %22zu %22zu\n", "notes through", fixed.latency.count, due.latency.count);
    std::printf("%-40s %22d %22d\n", "refused by the input", fixed.refused, due.refused);
    std::printf("%-40s %22zu %22zu\n", "lost", fixed.lost, due.lost);
    std::printf("%-40s %22zu %22zu\n", "pattern messages meanwhile", fixed.patternMessages,
                due.patternMessages);
    row("latency p50 (ms)", fixed.latency.p50, due.latency.p50);
    row("latency p99 (ms)", fixed.latency.p99, due.latency.p99);
    row("latency max (ms)", fixed.latency.max, due.latency.max);
    VirtualMIDI_RemoveAll();
    return 0;
}
