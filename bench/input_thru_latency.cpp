// Thru latency of the MIDI input thread: 1 000 notes injected into a
// virtual input, one every 3 ms, while a 100 000-event pattern plays
// through the pattern thread; each note's latency is the time it was
// recorded on the virtual output less the time it was injected. A pass every
// 10 ms means up to one poll period plus the time the pattern pass holds the
// lock.
#include "engine/player_state.h"
#include "engine/transport.h"
#include "app/workers.h"
#include "midi/clock/midi_clock.h"
#include "midi/song/midi_data.h"
#include "midi/ports/midi_io.h"
#include "midi/status/midi_status.h"
#include "midi/ports/virtual_midi.h"
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

double percentileMs(const std::vector<int64_t>& sorted, double fraction) {
    const size_t index = static_cast<size_t>(fraction * static_cast<double>(sorted.size() - 1));
    return static_cast<double>(sorted[index]) / 1e6;
}

}  // namespace

// Optional argument: the number of pattern events (100 000 by default), to
// compare with a light pattern on the same machine.
int main(int argc, char** argv) {
    const int32_t events = argc > 1 ? std::max(2, std::atoi(argv[1])) : kDefaultPatternEvents;
    PlayerState& p = playerState;
    p.tempo = 500000;
    p.midiThru = 1;
    turnOnAllDrumGroups();
    openVirtualInput(kInput);
    openVirtualOutput(kOutput);
    const std::vector<uint8_t> pattern = densePattern(events);
    p.patternData = MIDIData_LoadFromMemory(pattern.data(), pattern.size());
    RecordingPlayerUi window;
    createClocks(window);
    if (!p.midiIn || !p.midiOut || !p.patternData || !p.patternClock) {
        std::fprintf(stderr, "could not set up the ports, the pattern or the clock\n");
        return 1;
    }

    p.mainWindow = &window;
    startPattern(window);
    if (!startWorkerThreads()) {
        std::fprintf(stderr, "could not start the worker threads\n");
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // let the loop settle

    // Each note is told apart by its key and velocity on channel 1.
    std::map<std::pair<uint8_t, uint8_t>, int64_t> injected;
    int32_t refused = 0;
    for (int32_t i = 0; i < kNotes; ++i) {
        const uint8_t note[3] = {0x90, static_cast<uint8_t>(i % 128), static_cast<uint8_t>(1 + i / 128)};
        const int64_t now = MIDIClockLib_Now();
        if (VirtualMIDI_Inject(kInput, note, 3))
            injected[{note[1], note[2]}] = now;
        else
            ++refused;
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    stopWorkerThreads();

    std::vector<int64_t> latencies;
    size_t patternMessages = 0;
    for (const VirtualMIDIMessage& message : VirtualMIDI_Sent(kOutput)) {
        if (message.bytes.size() != 3 || message.bytes[0] != 0x90) {
            ++patternMessages;
            continue;
        }
        auto found = injected.find({message.bytes[1], message.bytes[2]});
        if (found != injected.end()) latencies.push_back(message.timeNs - found->second);
    }
    releasePlayerObjects();
    if (latencies.empty()) {
        std::fprintf(stderr, "no note came through\n");
        return 1;
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf("thru latency over %zu notes (%d refused by the input, %zu lost), "
                "%zu messages of a %d-event pattern sent meanwhile:\n",
                latencies.size(), refused, injected.size() - latencies.size(), patternMessages, events);
    std::printf("  p50 %.3f ms  p99 %.3f ms  max %.3f ms  (target: p99 <= 11 ms)\n",
                percentileMs(latencies, 0.50), percentileMs(latencies, 0.99),
                static_cast<double>(latencies.back()) / 1e6);
    return 0;
}
