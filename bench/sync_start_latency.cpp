// Sync start: a note played on the input starts the pattern, and the
// pattern's downbeat should sound with it. With all three workers running
// as in the program and thru on, a note-on is injected into the virtual
// input; the input thread posts Start, this program's main thread runs it as
// the window would, and the time from the injected note to the first drum
// note on the output is taken, beside the thru echo of the played note.
// At 24 and 480 ticks per quarter note, with every note written one tick
// after its own tick (so that it leaves in the first pass past its tick, as
// it did when a pass sent only the notes before the tick it read) and with
// the notes on their own tick.
// Arguments: starts per run (60).
#include "bench/bench_player.h"
#include "bench/timing_support.h"
#include "engine/player_state.h"
#include "engine/transport.h"
#include "midi/clock/midi_clock.h"
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
#include <random>
#include <thread>
#include <vector>

namespace {

constexpr wchar_t kInput[] = L"Sync Start Bench In";
constexpr wchar_t kOutput[] = L"Sync Start Bench Out";
constexpr int32_t kTempo = 500000;  // 120 bpm
const std::vector<uint8_t> kPlayedNote{0x90, 60, 100};  // channel 1, so not a drum note

struct Figures {
    Spread firstDrumNote;
    Spread thruEcho;
    bool ok = false;
};

// A one-bar pattern with a bass drum on every beat, each written
// `lateTicks` after its beat.
std::vector<uint8_t> fourBeats(int32_t resolution, int32_t lateTicks) {
    SmfBuilder smf(static_cast<uint16_t>(resolution));
    SmfTrackBuilder& track = smf.track();
    for (int beat = 0; beat < 4; ++beat) {
        const int32_t on = beat * resolution + lateTicks;
        track.noteOn(on, 9, 36, 100).noteOff(on + resolution / 2, 9, 36);
    }
    track.endOfTrack(4 * resolution);
    return smf.bytes();
}

// The first message sent after `fromNs` that `matches`; -1 when none came.
template <typename Match>
int64_t firstSentTime(int64_t fromNs, Match matches) {
    for (const VirtualMIDIMessage& message : VirtualMIDI_Sent(kOutput))
        if (message.timeNs >= fromNs && matches(message.bytes)) return message.timeNs;
    return -1;
}

bool isDrumNoteOn(const std::vector<uint8_t>& bytes) {
    return bytes.size() == 3 && bytes[0] == kDrumNoteOn && bytes[2] > 0;
}

Figures measure(int32_t lateTicks, int32_t resolution, int starts) {
    Figures figures;
    PlayerState& p = playerState;
    RecordingPlayerUi window;
    p.settings.syncStart = 1;
    p.settings.midiThru = 1;
    if (!startBenchPlayer(window, fourBeats(resolution, lateTicks), kTempo, kInput, kOutput)) return figures;

    std::mt19937 random(12345);
    std::vector<int64_t> drum, echo;
    for (int i = 0; i < starts; ++i) {
        VirtualMIDI_ClearSent(kOutput);
        window.clear();
        const int64_t playedNs = MIDIClockLib_Now();
        VirtualMIDI_Inject(kInput, kPlayedNote.data(), static_cast<int32_t>(kPlayedNote.size()));
        // The window's message loop: it runs Start when the input thread posts it.
        if (!window.waitForCommands(1, std::chrono::seconds(1))) break;
        startPattern();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        int64_t drumNs = -1;
        while (drumNs < 0 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            drumNs = firstSentTime(playedNs, isDrumNoteOn);
        }
        const int64_t echoNs = firstSentTime(playedNs, [](const std::vector<uint8_t>& b) { return b == kPlayedNote; });
        stopPlayback();
        const uint8_t release[3] = {0x80, 60, 0};
        VirtualMIDI_Inject(kInput, release, 3);
        if (drumNs < 0 || echoNs < 0) break;
        drum.push_back(drumNs - playedNs);
        echo.push_back(echoNs - playedNs);
        // Between phrases: the next note comes 30 to 80 ms later.
        std::this_thread::sleep_for(std::chrono::milliseconds(30 + random() % 50));
    }
    stopWorkerThreads();
    releasePlayerObjects();
    VirtualMIDI_RemoveAll();
    if (static_cast<int>(drum.size()) != starts) {
        std::fprintf(stderr, "only %zu of %d starts played\n", drum.size(), starts);
        return figures;
    }
    figures.firstDrumNote = spreadOf(drum);
    figures.thruEcho = spreadOf(echo);
    figures.ok = true;
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    const int starts = argc > 1 ? std::max(50, std::atoi(argv[1])) : 60;
    printMachineLoad("before");
    std::printf("played note to first drum note with sync start, %d starts each, 120 bpm\n", starts);
    std::printf("%-8s %-16s %10s %10s %10s %14s %14s\n", "ticks/q", "notes leave", "p50 ms", "p99 ms",
                "max ms", "thru echo p50", "thru echo p99");
    for (const int32_t resolution : {24, 480}) {
        for (const int32_t lateTicks : {1, 0}) {
            const Figures f = measure(lateTicks, resolution, starts);
            if (!f.ok) return 1;
            std::printf("%-8d %-16s %10.3f %10.3f %10.3f %14.3f %14.3f\n", resolution,
                        lateTicks ? "one tick late" : "on its own tick", f.firstDrumNote.p50,
                        f.firstDrumNote.p99, f.firstDrumNote.max, f.thruEcho.p50, f.thruEcho.p99);
        }
    }
    printMachineLoad("after");
    return 0;
}
