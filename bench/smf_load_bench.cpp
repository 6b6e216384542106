// Load speed of the song reader on a large file: about 10 MB, a million
// events in 16 tracks, mostly notes (half of them in running status) with a
// text event now and then.
#include <benchmark/benchmark.h>

#include <string>

#include "midi/song/midi_data.h"
#include "tests/support/smf_builder.h"

namespace {

std::vector<uint8_t> largeFile(int eventsPerTrack) {
    SmfBuilder file(480, 1);
    const std::string lyric(58, 'x');
    for (int t = 0; t < 16; ++t) {
        auto& track = file.track().trackName(0, "Track " + std::to_string(t));
        uint64_t tick = 0;
        for (int i = 0; i < eventsPerTrack; ++i) {
            tick += (i % 3 == 0) ? 200 : 0;  // two-byte deltas now and then
            if (i % 10 == 9)
                track.text(tick, 0x05, lyric);
            else if (i % 2 == 0)
                track.noteOn(tick, t, 36 + i % 40, 1 + i % 127);
            else
                track.message(tick, {uint8_t(36 + i % 40), 0});
        }
        track.endOfTrack(tick + 480);
    }
    return file.bytes();
}

void loadLargeFile(benchmark::State& state) {
    std::vector<uint8_t> bytes = largeFile(62500);
    for (auto _ : state) {
        MIDIData* song = MIDIData_LoadFromMemory(bytes.data(), bytes.size());
        if (song == nullptr) {
            state.SkipWithError("the generated file did not load");
            return;
        }
        benchmark::DoNotOptimize(song);
        MIDIData_Delete(song);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
    state.counters["file_MB"] = double(bytes.size()) / 1e6;
    state.counters["events"] = 16.0 * 62500;
    state.counters["events_per_second"] =
        benchmark::Counter(16.0 * 62500 * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(loadLargeFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
