// Follows an external timing master: a one-bar pattern of sixteenths plays
// on a clock slaved to MIDI timing clock, with all three workers running as
// in the program. The master (this program's main thread) injects Start and
// the first timing clock 0.5 ms later (as many masters do) into the virtual
// input, the player acts on Start 3 ms after it (as the main window would,
// through its message queue), then a timing clock follows every 1/24
// quarter note at 120 bpm. Each sixteenth stands on every sixth pulse of the master, so the
// note of sixteenth k belongs to pulse 6k. Run twice: a steady master, and
// one whose every pulse is off by a random amount within +-1 ms.
// Reports per run: notes sent against the pulses they belong to (missing or
// on the wrong sixteenth), the first note against the start pulse, and for
// the notes after it the offset of each note to its pulse, its spread
// around the median, and how the master's timing error reaches the notes:
// the least-squares slope of a note's error on its pulse's error and the
// ratio of their standard deviations.
// Arguments: resolution (480), seconds per run (20), microseconds from
// Start to the first pulse (500; above 3000 the player acts on Start
// before the first pulse comes).
#include "app/workers.h"
#include "bench/bench_player.h"
#include "bench/timing_support.h"
#include "engine/player_state.h"
#include "midi/clock/midi_clock.h"
#include "midi/midi_bytes.h"
#include "midi/ports/virtual_midi.h"
#include "tests/support/recording_player_ui.h"
#include "tests/support/smf_builder.h"

#include <chrono>
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
    double slope = 0;
    double spreadRatio = 0;
    bool ok = false;
};

void sleepUntilNs(int64_t ns) {
    std::this_thread::sleep_until(std::chrono::steady_clock::time_point(std::chrono::nanoseconds(ns)));
}

void inject(uint8_t byte) {
    VirtualMIDI_Inject(kInput, &byte, 1);
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
               uint32_t seed) {
    Figures figures;
    PlayerState& p = playerState;
    p.tempoMode = kTempoFollowInput;
    p.midiInSyncMode = kInSyncTimingClock;
    p.patternPlaying = 0;  // stopped until the master's Start reaches the player
    RecordingPlayerUi window;
    if (!startBenchPlayer(window, smf, kTempo, kInput, kOutput)) return figures;

    std::mt19937 random(seed);
    std::uniform_int_distribution<int64_t> error(-pulseErrorNs, pulseErrorNs);
    const size_t pulseCount = static_cast<size_t>(seconds) * 1000000000 / kPulseNs;
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
        sleepUntilNs(planned);
        sentNs[k] = MIDIClockLib_Now();
        inject(kTimingClock);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
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
        if (pulse >= pulseCount) continue;
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
    const Figures steady = follow(bytes, seconds, firstPulseNs, 0, 1);
    const Figures wobbly = follow(bytes, seconds, firstPulseNs, 1000000, 2);
    printMachineLoad("after");
    if (!steady.ok || !wobbly.ok) return 1;

    std::printf("sixteenths on a clock following timing clock at 120 bpm, %d ticks per quarter note, %d s, "
                "first pulse %.1f ms after Start\n",
                resolution, seconds, static_cast<double>(firstPulseNs) / 1e6);
    std::printf("%-44s %18s %18s\n", "", "steady master", "+-1 ms master");
    auto count = [](const char* what, size_t a, size_t b) { std::printf("%-44s %18zu %18zu\n", what, a, b); };
    auto row = [](const char* what, double a, double b) { std::printf("%-44s %18.3f %18.3f\n", what, a, b); };
    count("pulses", steady.pulses, wobbly.pulses);
    count("notes expected", steady.notesExpected, wobbly.notesExpected);
    count("notes sent", steady.notesSent, wobbly.notesSent);
    count("notes on the wrong sixteenth", steady.wrongSixteenth, wobbly.wrongSixteenth);
    row("first note after its pulse (ms)", steady.firstNoteOffset, wobbly.firstNoteOffset);
    row("later notes after their pulse min (ms)", steady.offset.min, wobbly.offset.min);
    row("later notes after their pulse p50 (ms)", steady.offset.p50, wobbly.offset.p50);
    row("later notes after their pulse max (ms)", steady.offset.max, wobbly.offset.max);
    row("jitter around the median p50 (ms)", steady.jitter.p50, wobbly.jitter.p50);
    row("jitter around the median p99 (ms)", steady.jitter.p99, wobbly.jitter.p99);
    row("jitter around the median max (ms)", steady.jitter.max, wobbly.jitter.max);
    row("slope of note error on pulse error", steady.slope, wobbly.slope);
    row("note error spread / pulse error spread", steady.spreadRatio, wobbly.spreadRatio);
    VirtualMIDI_RemoveAll();
    return 0;
}
