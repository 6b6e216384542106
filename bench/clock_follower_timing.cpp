// Follows an external timing master: a one-bar pattern of sixteenths plays
// on a clock slaved to MIDI timing clock, with all three workers running as
// in the program. The master (this program's main thread) injects Start and
// the first timing clock 0.5 ms later (as many masters do) into the virtual
// input, the player acts on Start 3 ms after it (as the main window would,
// through its message queue), then a timing clock follows every 1/24
// quarter note at 120 bpm. Each sixteenth stands on every sixth pulse of the master, so the
// note of sixteenth k belongs to pulse 6k. Run twice: a steady master, and
// one whose every pulse is off by a random amount within +-1 ms. Then twice
// more with a steady master whose pulses are handed over in batches, two
// and four at a time at the time of each batch's last pulse, each pulse
// stamped with the time it was sent (as a Bluetooth interface with a slow
// connection interval or a USB driver delivers them): the batch goes to the
// clocks as the input thread hands it over, under the lock, and the master
// stops after its last pulse.
// Reports per run: notes sent against the pulses they belong to (missing or
// on the wrong sixteenth), the first note against the start pulse, and for
// the notes after it the offset of each note to its pulse, its spread
// around the median, and how the master's timing error reaches the notes:
// the least-squares slope of a note's error on its pulse's error and the
// ratio of their standard deviations; and the notes the clock played on
// pulses the master never sent (it runs on at most two pulses past the last
// pulse it was handed).
// Arguments: resolution (480), seconds per run (20), microseconds from
// Start to the first pulse (500; above 3000 the player acts on Start
// before the first pulse comes).
#include "bench/bench_player.h"
#include "bench/timing_support.h"
#include "engine/player_state.h"
#include "engine/worker_sleep.h"
#include "midi/clock/midi_clock.h"
#include "midi/midi_bytes.h"
#include "midi/ports/virtual_midi.h"
#include "runtime/workers.h"
#include "tests/support/recording_player_ui.h"
#include "tests/support/smf_builder.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>
#include <vector>

namespace {

constexpr wchar_t kInput[] = L"Follower Bench In";
constexpr wchar_t kOutput[] = L"Follower Bench Out";
constexpr int32_t kTempo = 500000;  // 120 bpm
constexpr int64_t kPulseNs = kTempo * int64_t{1000} / 24;
constexpr int64_t kPlayerActsAfterStartNs = 3000000;
constexpr int kPulsesPerSixteenth = 6;

struct Figures {
    size_t pulses = 0;
    size_t notesExpected = 0;
    size_t notesSent = 0;
    size_t wrongSixteenth = 0;
    double firstNoteOffset = 0;  // ms, the note of the start pulse
    Spread offset;
    Spread jitter;  // |offset - median offset|
    Spread distance;  // |offset| of the later notes to their pulses
    double slope = 0;
    double spreadRatio = 0;
    size_t notesPastLastPulse = 0;
    size_t furthestPastLastPulse = 0;  // in pulses
    bool ok = false;
};

void sleepUntilNs(int64_t ns) {
    std::this_thread::sleep_until(std::chrono::steady_clock::time_point(std::chrono::nanoseconds(ns)));
}

void inject(uint8_t byte) {
    VirtualMIDI_Inject(kInput, &byte, 1);
}

// Pulses handed to both clocks at once, each with the time it was sent, as
// the input thread hands over what a driver delivered in one go.
void handOver(const int64_t* stamps, size_t count) {
    {
        std::lock_guard guard(playerState.lock);
        for (size_t i = 0; i < count; ++i) {
            MIDIClock_PutMIDIMessageAt(playerState.handles.patternClock, &kTimingClock, 1, stamps[i]);
            MIDIClock_PutMIDIMessageAt(playerState.handles.patchClock, &kTimingClock, 1, stamps[i]);
        }
    }
    wakePlayers();
}

int keyOfSixteenth(size_t k) {
    return k % 4 == 0 ? 36 : 42;
}

// Least-squares slope of y on x, and the ratio of their standard deviations.
void slopeOf(const std::vector<double>& x, const std::vector<double>& y, double* slope, double* ratio) {
    double mx = 0, my = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        mx += x[i];
        my += y[i];
    }
    mx /= static_cast<double>(x.size());
    my /= static_cast<double>(y.size());
    double sxy = 0, sxx = 0, syy = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        sxy += (x[i] - mx) * (y[i] - my);
        sxx += (x[i] - mx) * (x[i] - mx);
        syy += (y[i] - my) * (y[i] - my);
    }
    *slope = sxx > 0 ? sxy / sxx : 0;
    *ratio = sxx > 0 ? std::sqrt(syy / sxx) : 0;
}

Figures follow(const std::vector<uint8_t>& smf, int seconds, int64_t firstPulseNs, int64_t pulseErrorNs,
               uint32_t seed, size_t batch = 1) {
    Figures figures;
    PlayerState& p = playerState;
    p.settings.tempoMode = kTempoFollowInput;
    p.settings.midiInSyncMode = kInSyncTimingClock;
    p.transport.patternPlaying = 0;  // stopped until the master's Start reaches the player
    RecordingPlayerUi window;
    if (!startBenchPlayer(window, smf, kTempo, kInput, kOutput)) return figures;

    std::mt19937 random(seed);
    std::uniform_int_distribution<int64_t> error(-pulseErrorNs, pulseErrorNs);
    const size_t pulseCount = static_cast<size_t>(seconds) * 1000000000 / kPulseNs / batch * batch;
    std::vector<int64_t> idealNs(pulseCount), sentNs(pulseCount);
    const int64_t startNs = MIDIClockLib_Now() + 50000000;
    sleepUntilNs(startNs);
    inject(kMidiStart);
    bool started = false;
    for (size_t k = 0; k < pulseCount; ++k) {
        idealNs[k] = startNs + firstPulseNs + static_cast<int64_t>(k) * kPulseNs;
        const int64_t planned = idealNs[k] + (k == 0 ? 0 : error(random));
        if (!started && planned > startNs + kPlayerActsAfterStartNs) {
            sleepUntilNs(startNs + kPlayerActsAfterStartNs);
            startBenchPattern();
            started = true;
        }
        if (batch == 1) {
            sleepUntilNs(planned);
            sentNs[k] = MIDIClockLib_Now();
            inject(kTimingClock);
        } else {
            sentNs[k] = planned;
            if ((k + 1) % batch != 0) continue;
            sleepUntilNs(planned);
            handOver(&sentNs[k + 1 - batch], batch);
        }
    }
    // Long enough to hear a clock that ran on past the master's last pulse.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    stopWorkerThreads();
    releasePlayerObjects();

    figures.pulses = pulseCount;
    figures.notesExpected = (pulseCount - 1) / kPulsesPerSixteenth + 1;
    std::vector<int64_t> offsets;
    std::vector<double> pulseError, noteError;
    for (const VirtualMIDIMessage& m : VirtualMIDI_Sent(kOutput)) {
        if (m.bytes.size() != 3 || m.bytes[0] != 0x99 || m.bytes[2] == 0) continue;
        const size_t k = figures.notesSent++;
        if (m.bytes[1] != keyOfSixteenth(k)) ++figures.wrongSixteenth;
        const size_t pulse = k * kPulsesPerSixteenth;
        if (pulse >= pulseCount) {
            ++figures.notesPastLastPulse;
            figures.furthestPastLastPulse = std::max(figures.furthestPastLastPulse, pulse - (pulseCount - 1));
            continue;
        }
        if (k == 0) {
            figures.firstNoteOffset = static_cast<double>(m.timeNs - sentNs[0]) / 1e6;
            continue;
        }
        offsets.push_back(m.timeNs - sentNs[pulse]);
        pulseError.push_back(static_cast<double>(sentNs[pulse] - idealNs[pulse]) / 1e6);
        noteError.push_back(static_cast<double>(m.timeNs - idealNs[pulse]) / 1e6);
    }
    if (offsets.empty()) return figures;
    figures.offset = spreadOf(offsets);
    const int64_t median = static_cast<int64_t>(figures.offset.p50 * 1e6);
    std::vector<int64_t> jitter;
    for (int64_t o : offsets) jitter.push_back(o > median ? o - median : median - o);
    figures.jitter = spreadOf(jitter);
    std::vector<int64_t> distance;
    for (int64_t o : offsets) distance.push_back(o < 0 ? -o : o);
    figures.distance = spreadOf(distance);
    slopeOf(pulseError, noteError, &figures.slope, &figures.spreadRatio);
    figures.ok = true;
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    const int32_t resolution = argc > 1 ? std::max(24, std::atoi(argv[1])) : 480;
    const int seconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
    const int64_t firstPulseNs = argc > 3 ? std::max(0, std::atoi(argv[3])) * int64_t{1000} : 500000;

    SmfBuilder smf(static_cast<uint16_t>(resolution));
    SmfTrackBuilder& track = smf.track();
    for (int step = 0; step < 16; ++step) track.noteOn(step * resolution / 4, 9, keyOfSixteenth(step), 100);
    track.endOfTrack(4 * resolution);
    const std::vector<uint8_t> bytes = smf.bytes();

    printMachineLoad("before");
    const Figures runs[] = {follow(bytes, seconds, firstPulseNs, 0, 1),
                            follow(bytes, seconds, firstPulseNs, 1000000, 2),
                            follow(bytes, seconds, firstPulseNs, 0, 3, 2),
                            follow(bytes, seconds, firstPulseNs, 0, 4, 4)};
    printMachineLoad("after");
    for (const Figures& run : runs)
        if (!run.ok) return 1;

    std::printf("sixteenths on a clock following timing clock at 120 bpm, %d ticks per quarter note, %d s, "
                "first pulse %.1f ms after Start\n",
                resolution, seconds, static_cast<double>(firstPulseNs) / 1e6);
    std::printf("%-44s %14s %14s %14s %14s\n", "", "steady master", "+-1 ms master", "2 per batch", "4 per batch");
    auto count = [&runs](const char* what, size_t Figures::*field) {
        std::printf("%-44s", what);
        for (const Figures& run : runs) std::printf(" %14zu", run.*field);
        std::printf("\n");
    };
    auto row = [&runs](const char* what, auto value) {
        std::printf("%-44s", what);
        for (const Figures& run : runs) std::printf(" %14.3f", value(run));
        std::printf("\n");
    };
    count("pulses", &Figures::pulses);
    count("notes expected", &Figures::notesExpected);
    count("notes sent", &Figures::notesSent);
    count("notes on the wrong sixteenth", &Figures::wrongSixteenth);
    count("notes on pulses the master never sent", &Figures::notesPastLastPulse);
    count("furthest such note past the last (pulses)", &Figures::furthestPastLastPulse);
    row("first note after its pulse (ms)", [](const Figures& f) { return f.firstNoteOffset; });
    row("later notes after their pulse min (ms)", [](const Figures& f) { return f.offset.min; });
    row("later notes after their pulse p50 (ms)", [](const Figures& f) { return f.offset.p50; });
    row("later notes after their pulse max (ms)", [](const Figures& f) { return f.offset.max; });
    row("later notes off their pulse p99 (ms)", [](const Figures& f) { return f.distance.p99; });
    row("jitter around the median p50 (ms)", [](const Figures& f) { return f.jitter.p50; });
    row("jitter around the median p99 (ms)", [](const Figures& f) { return f.jitter.p99; });
    row("jitter around the median max (ms)", [](const Figures& f) { return f.jitter.max; });
    row("slope of note error on pulse error", [](const Figures& f) { return f.slope; });
    row("note error spread / pulse error spread", [](const Figures& f) { return f.spreadRatio; });
    VirtualMIDI_RemoveAll();
    return 0;
}
