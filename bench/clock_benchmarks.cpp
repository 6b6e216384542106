// What reading a clock costs: the workers read the tick and the
// milliseconds of each clock on every pass, under the player's lock.
#include <benchmark/benchmark.h>

#include "midi/clock/midi_clock.h"

namespace {

void BM_MIDIClockLib_Now(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(MIDIClockLib_Now());
}
BENCHMARK(BM_MIDIClockLib_Now);

// Argument: the clock's sync mode (0 own tempo, 1 timing clock, 2 time code).
void BM_MIDIClock_GetTickCount(benchmark::State& state) {
    MIDIClock* clock = MIDIClock_Create(0, 480, 500000);
    MIDIClock_SetMIDIInSyncMode(clock, static_cast<int32_t>(state.range(0)));
    MIDIClock_Start(clock);
    const uint8_t pulse = 0xF8;
    for (int i = 0; i < 16; ++i) MIDIClock_PutMIDIMessage(clock, &pulse, 1);
    const uint8_t fullFrame[] = {0xF0, 0x7F, 0x7F, 0x01, 0x01, 0x61, 0x02, 0x03, 0x04, 0xF7};
    MIDIClock_PutMIDIMessage(clock, fullFrame, 10);
    for (auto _ : state) benchmark::DoNotOptimize(MIDIClock_GetTickCount(clock));
    MIDIClock_Delete(clock);
}
BENCHMARK(BM_MIDIClock_GetTickCount)->Arg(0)->Arg(1)->Arg(2);

void BM_MIDIClock_GetMillisec(benchmark::State& state) {
    MIDIClock* clock = MIDIClock_Create(0, 480, 500000);
    MIDIClock_Start(clock);
    for (auto _ : state) benchmark::DoNotOptimize(MIDIClock_GetMillisec(clock));
    MIDIClock_Delete(clock);
}
BENCHMARK(BM_MIDIClock_GetMillisec);

}  // namespace

BENCHMARK_MAIN();
