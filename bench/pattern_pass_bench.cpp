// Cost of one pattern pass, which runs every 10 ms while holding the
// player's lock, for patterns of growing size. Each pass covers a window of
// 10 ticks (about 10 ms at 120 bpm and 480 ticks per quarter note) at a
// different place in the pattern, so the cost of finding the window shows.
#include "engine/pattern_player.h"
#include "engine/player_state.h"
#include "midi/clock/midi_clock.h"
#include "midi/song/midi_data.h"
#include "midi/ports/midi_io.h"
#include "midi/status/midi_status.h"
#include "midi/ports/virtual_midi.h"
#include "tests/support/player_setup.h"
#include "tests/support/smf_builder.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <mutex>
#include <random>
#include <vector>

namespace {

constexpr wchar_t kOutput[] = L"Pattern Pass Bench Out";
constexpr int32_t kWindowTicks = 10;
constexpr int32_t kTicksPerEvent = 4;

// `eventCount` drum events, a note-on and its note-off in turn, one every
// four ticks, spread over four tracks the way a drum pattern keeps one
// instrument per track.
std::vector<uint8_t> denseDrumPattern(int32_t eventCount) {
    SmfBuilder smf(480);
    constexpr int kTracks = 4;
    const int keys[kTracks] = {36, 38, 42, 49};
    for (int t = 0; t < kTracks; ++t) {
        SmfTrackBuilder& track = smf.track();
        for (int32_t i = t; i + 1 < eventCount; i += 2 * kTracks) {
            const int32_t tick = i * kTicksPerEvent;
            track.noteOn(tick, 9, keys[t], 100).noteOff(tick + kTicksPerEvent, 9, keys[t]);
        }
    }
    return smf.bytes();
}

void BM_PatternPass(benchmark::State& state) {
    const int32_t eventCount = static_cast<int32_t>(state.range(0));
    const std::vector<uint8_t> bytes = denseDrumPattern(eventCount);

    resetPlayerState();
    PlayerState& p = playerState;
    turnOnAllDrumGroups();
    openVirtualOutput(kOutput);
    p.handles.patternData = MIDIData_LoadFromMemory(bytes.data(), bytes.size());
    p.handles.patternClock = MIDIClock_Create(0, 480, 500000);
    p.transport.patternPlaying = 1;
    if (!p.handles.midiOut || !p.handles.patternData || !p.handles.patternClock) {
        state.SkipWithError("could not set up the pattern, port or clock");
        return;
    }
    const int32_t endTime = MIDIData_GetEndTime(p.handles.patternData);

    std::mt19937 random(12345);
    std::uniform_int_distribution<int32_t> startTick(0, endTime - kWindowTicks - 1);
    std::vector<int32_t> starts(4096);
    for (int32_t& start : starts)
        start = startTick(random);

    size_t next = 0;
    int64_t sentSinceClear = 0;
    for (auto _ : state) {
        const int32_t start = starts[next++ % starts.size()];
        std::lock_guard guard(p.lock);
        p.transport.patternPosition = start;
        MIDIClock_SetTickCount(p.handles.patternClock, start + kWindowTicks);
        runPatternPass();
        // The virtual port keeps what it is sent; empty it now and then.
        if (++sentSinceClear == 1000) {
            state.PauseTiming();
            VirtualMIDI_ClearSent(kOutput);
            sentSinceClear = 0;
            state.ResumeTiming();
        }
    }
    state.counters["events"] = eventCount;

    MIDIOut_Close(p.handles.midiOut);
    MIDIStatus_Delete(p.handles.midiOutStatus);
    MIDIData_Delete(p.handles.patternData);
    MIDIClock_Delete(p.handles.patternClock);
    VirtualMIDI_RemoveAll();
    resetPlayerState();
}

BENCHMARK(BM_PatternPass)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
