// Plays a one-bar pattern at 120 bpm for 10 s on the real clock into a
// virtual port through the pattern thread, and reports how late each
// message left against its ideal time: the clock's start plus the event's
// tick in real time. An event goes out in the first pass whose tick is past
// its own, so lateness runs from one tick (about 1 ms here) up to one pass
// period more plus the pass's own cost. The pass period is 10 ms plus the
// sleep's overshoot, which the program measures first to put the figures
// in context.
#include "engine/pattern_player.h"
#include "engine/player_state.h"
#include "engine/player_ui.h"
#include "engine/worker_sleep.h"
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
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr wchar_t kOutput[] = L"Lateness Bench Out";
constexpr int32_t kResolution = 480;
constexpr int32_t kTempo = 500000;  // 120 bpm
constexpr int32_t kBarTicks = 4 * kResolution;
constexpr auto kPlayTime = std::chrono::seconds(10);

struct PatternMessage {
    int32_t tick;
    std::vector<uint8_t> bytes;
};

int64_t ticksToNs(int64_t ticks) {
    return ticks * kTempo * 1000 / kResolution;
}

double percentile(const std::vector<int64_t>& sorted, double fraction) {
    const size_t index = static_cast<size_t>(fraction * static_cast<double>(sorted.size() - 1));
    return static_cast<double>(sorted[index]) / 1e6;
}

// How long sleepBetweenPasses really takes on this machine now.
void reportPassPeriod() {
    std::vector<int64_t> periods;
    for (int i = 0; i < 200; ++i) {
        const int64_t before = MIDIClockLib_Now();
        sleepBetweenPasses();
        periods.push_back(MIDIClockLib_Now() - before);
    }
    std::sort(periods.begin(), periods.end());
    std::printf("pass period (sleep between passes): p50 %.3f ms, p99 %.3f ms, max %.3f ms\n",
                percentile(periods, 0.5), percentile(periods, 0.99), percentile(periods, 1.0));
}

}  // namespace

int main() {
    reportPassPeriod();

    // Sixteenth notes with a note-off halfway to the next.
    SmfBuilder smf(kResolution);
    SmfTrackBuilder& track = smf.track();
    std::vector<PatternMessage> cycle;
    for (int step = 0; step < 16; ++step) {
        const int key = (step % 4 == 0) ? 36 : 42;
        const int32_t on = step * kResolution / 4;
        const int32_t off = on + kResolution / 8;
        track.noteOn(on, 9, key, 100).noteOff(off, 9, key);
        cycle.push_back({on, {0x99, static_cast<uint8_t>(key), 100}});
        cycle.push_back({off, {0x99, static_cast<uint8_t>(key), 0}});
    }
    track.endOfTrack(kBarTicks);
    const std::vector<uint8_t> bytes = smf.bytes();

    PlayerState& p = playerState;
    turnOnAllDrumGroups();
    openVirtualOutput(kOutput);
    p.patternData = MIDIData_LoadFromMemory(bytes.data(), bytes.size());
    p.patternClock = MIDIClock_Create(0, kResolution, kTempo);
    if (!p.midiOut || !p.midiOutStatus || !p.patternData || !p.patternClock) {
        std::fprintf(stderr, "could not set up the pattern, port or clock\n");
        return 1;
    }

    RecordingPlayerUi window;
    p.mainWindow = &window;
    p.patternThread = 1;
    std::thread player(patternPlayerThread);
    int64_t startNs = 0;
    {
        // As Start does it.
        std::lock_guard guard(p.lock);
        p.patternPlaying = 1;
        p.patternPosition = 0;
        MIDIClock_Reset(p.patternClock);
        MIDIClock_Start(p.patternClock);
        startNs = MIDIClockLib_Now();
    }
    std::this_thread::sleep_for(kPlayTime);
    p.mainWindow = nullptr;
    player.join();

    const std::vector<VirtualMIDIMessage> sent = VirtualMIDI_Sent(kOutput);
    std::vector<int64_t> lateness;
    std::vector<int64_t> cycleMin;  // earliest message of each cycle, to show drift across wraps
    for (size_t i = 0; i < sent.size(); ++i) {
        const PatternMessage& expected = cycle[i % cycle.size()];
        if (sent[i].bytes != expected.bytes) {
            std::fprintf(stderr, "message %zu is not the pattern's next message\n", i);
            return 1;
        }
        const int64_t cycleIndex = static_cast<int64_t>(i / cycle.size());
        const int64_t idealNs = startNs + ticksToNs(cycleIndex * kBarTicks + expected.tick);
        lateness.push_back(sent[i].timeNs - idealNs);
        if (cycleMin.size() <= static_cast<size_t>(cycleIndex))
            cycleMin.push_back(lateness.back());
        cycleMin[static_cast<size_t>(cycleIndex)] =
            std::min(cycleMin[static_cast<size_t>(cycleIndex)], lateness.back());
    }
    if (lateness.empty()) {
        std::fprintf(stderr, "nothing was played\n");
        return 1;
    }
    std::sort(lateness.begin(), lateness.end());
    std::printf("pattern thread, one bar of sixteenths at 120 bpm for %lld s: %zu messages\n",
                static_cast<long long>(kPlayTime.count()), lateness.size());
    std::printf("lateness against the ideal time: min %.3f ms, p50 %.3f ms, p99 %.3f ms, max %.3f ms\n",
                percentile(lateness, 0.0), percentile(lateness, 0.5), percentile(lateness, 0.99),
                percentile(lateness, 1.0));
    std::printf("least lateness per cycle (ms):");
    for (int64_t least : cycleMin)
        std::printf(" %.3f", static_cast<double>(least) / 1e6);
    std::printf("\n");

    MIDIOut_Close(p.midiOut);
    MIDIStatus_Delete(p.midiOutStatus);
    MIDIData_Delete(p.patternData);
    MIDIClock_Delete(p.patternClock);
    VirtualMIDI_RemoveAll();
    return 0;
}
