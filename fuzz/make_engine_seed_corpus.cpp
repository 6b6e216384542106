// Writes the engine fuzzer's seed corpus: plain playing in every sync
// mode, and the hostile streams a musician's gear can send. Build and run
// from the repository root:
//   cmake --preset fuzz && cmake --build --preset fuzz --target make_engine_seed_corpus && build/fuzz/fuzz/make_engine_seed_corpus fuzz/engine_corpus
#include <array>
#include <fstream>
#include <string>

#include "fuzz/engine_input.h"
#include "fuzz/engine_patterns.h"
#include "midi/clock/time_code.h"
#include "midi/midi_bytes.h"

namespace {

constexpr int32_t kTempo120 = 500000;

void write(const std::string& directory, const std::string& name, const EngineInputWriter& input) {
    std::ofstream out(directory + "/" + name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(input.bytes().data()), std::streamsize(input.bytes().size()));
}

EngineSettings settings(int32_t inSync, int32_t outSync, int32_t tempoMode, int32_t pattern, bool thru = true) {
    return {.midiInSyncMode = inSync,
            .midiOutSyncMode = outSync,
            .tempoMode = tempoMode,
            .midiThru = thru,
            .pattern = pattern,
            .tempo = kTempo120,
            .groupLevel = 100,
            .masterLevel = 100,
            .timeMotion = 255};  // every reading of the time source takes up to 300 us
}

std::vector<uint8_t> fullFrame(int32_t hours, int32_t minutes, int32_t seconds, int32_t frames, int32_t rate) {
    const std::array<uint8_t, 10> message = encodeFullFrame({hours, minutes, seconds, frames, rate});
    return {message.begin(), message.end()};
}

// Start, a few bars with a tempo change and a group switched off and on,
// Stop, Continue, Stop: each built-in pattern in each output sync mode.
void plainPlaying(const std::string& directory) {
    for (int32_t outSync = 0; outSync <= kOutSyncTimeCode30; ++outSync) {
        for (int32_t pattern = 0; pattern < static_cast<int32_t>(builtInPatterns().size()); ++pattern) {
            EngineSettings s = settings(kInSyncNone, outSync, kTempoOwn, pattern);
            if (outSync % 2 == 0) s.timeMotion = 0;  // and some where time stands still
            EngineInputWriter input(s);
            input.act(0, UserAction::Start).wait(2000).act(0, UserAction::TempoScroll, 3, 0)
                .wait(1500).act(0, UserAction::GroupSwitch, 1).wait(500).act(0, UserAction::GroupSwitch, 9)
                .wait(1000).act(0, UserAction::Stop).wait(300).act(0, UserAction::Continue).wait(1000)
                .act(0, UserAction::PatternChange, static_cast<uint8_t>(pattern + 1)).wait(1000)
                .act(0, UserAction::Stop).wait(100);
            write(directory, "play-out" + std::to_string(outSync) + "-pattern" + std::to_string(pattern), input);
        }
    }
}

// A full frame every 50 ms, as a sequencer sends them while it is shuttled:
// once running on from 01:00:00:00 and once standing at one time.
void fullFrames(const std::string& directory) {
    for (bool running : {true, false}) {
        EngineInputWriter input(settings(kInSyncTimeCode, kOutSyncTimingClock, kTempoFollowInput, 0));
        input.act(0, UserAction::Start);
        for (int32_t i = 0; i < 80; ++i) {
            const int32_t frames = running ? i * 50 / 40 : 0;  // 25 fps
            input.receive(50, fullFrame(1, 0, frames / 25, frames % 25, kRate25));
        }
        input.wait(1000).act(0, UserAction::Stop);
        write(directory, running ? "full-frames-running" : "full-frames-standing", input);
    }
}

// Quarter frames at 25 fps from 00:59:58:00, one piece every 10 ms.
void quarterFrames(const std::string& directory) {
    EngineInputWriter input(settings(kInSyncTimeCode, kOutSyncNone, kTempoFollowInput, 1));
    input.act(0, UserAction::Start);
    int32_t frame = 0;
    for (int32_t code = 0; code < 40; ++code, frame += 2) {
        const int32_t seconds = 58 + frame / 25;
        const int32_t minutes = 59 + seconds / 60;
        for (uint8_t piece : encodeQuarterFrames({minutes / 60, minutes % 60, seconds % 60, frame % 25, kRate25}))
            input.receive(10, {kQuarterFrame, piece});
    }
    input.wait(800).act(0, UserAction::Stop);
    write(directory, "quarter-frames-25", input);
}

// Timing clock at 300 bpm (a pulse every 8 1/3 ms) and at one pulse per
// 3 s, each between a received Start and Stop.
void timingClock(const std::string& directory) {
    EngineInputWriter fast(settings(kInSyncTimingClock, kOutSyncNone, kTempoFollowInput, 0));
    fast.receive(0, {kMidiStart});
    for (int32_t pulse = 0; pulse < 240; ++pulse) fast.receive(pulse % 3 == 2 ? 9 : 8, {kTimingClock});
    fast.receive(5, {kMidiStop});
    write(directory, "clock-300-bpm", fast);

    EngineInputWriter slow(settings(kInSyncTimingClock, kOutSyncTimingClock, kTempoFollowInput, 2));
    slow.receive(0, {kMidiStart});
    for (int32_t pulse = 0; pulse < 6; ++pulse) slow.receive(3000, {kTimingClock});
    slow.receive(100, {kMidiStop});
    write(directory, "clock-one-pulse-per-3s", slow);
}

// Song position pointers every few milliseconds while the clock runs.
void songPositionStorm(const std::string& directory) {
    EngineInputWriter input(settings(kInSyncTimingClock, kOutSyncTimingClock, kTempoFollowInput, 5));
    input.receive(0, {kMidiContinue});
    for (int32_t i = 0; i < 200; ++i) {
        input.receive(i % 5, {kSongPositionPointer, static_cast<uint8_t>(i * 37 & 0x7F), static_cast<uint8_t>(i & 0x7F)});
        if (i % 4 == 0) input.receive(2, {kTimingClock});
    }
    input.receive(10, {kMidiStop});
    write(directory, "song-position-storm", input);
}

// Start and Stop, received and pressed, every few milliseconds.
void startStopStorm(const std::string& directory) {
    EngineInputWriter input(settings(kInSyncTimingClock, kOutSyncTimingClock, kTempoOwn, 4));
    for (int32_t i = 0; i < 150; ++i) {
        input.receive(i % 7, {i % 2 ? kMidiStop : kMidiStart});
        if (i % 10 == 0) input.act(3, i % 20 ? UserAction::Stop : UserAction::Continue);
        if (i % 3 == 0) input.receive(1, {kTimingClock});
    }
    write(directory, "start-stop-storm", input);
}

// A note flood from a keyboard on the drum channel and the pedal, with sync
// start and sync stop: each first key starts, each last release stops.
void noteFlood(const std::string& directory) {
    EngineSettings s = settings(kInSyncNone, kOutSyncTimeCode30, kTempoOwn, 0);
    s.syncStart = true;
    s.syncStop = true;
    EngineInputWriter input(s);
    for (int32_t i = 0; i < 300; ++i) {
        const uint8_t key = static_cast<uint8_t>(35 + i % 12);
        input.receive(i % 4, {static_cast<uint8_t>(kNoteOn | kDrumChannel), key, 100});
        if (i % 3 == 0) input.receive(1, {static_cast<uint8_t>(kNoteOn | kDrumChannel), key, 0});
        if (i % 25 == 0) input.receive(0, {kControlChange, kSustainPedal, static_cast<uint8_t>(i % 50 ? 0 : 127)});
    }
    for (uint8_t key = 35; key < 47; ++key) input.receive(2, {static_cast<uint8_t>(kNoteOff | kDrumChannel), key, 64});
    write(directory, "note-flood-sync-start", input);
}

// Thru on while the program sends its own clock, and a second clock arrives.
void secondClock(const std::string& directory) {
    EngineInputWriter input(settings(kInSyncNone, kOutSyncTimingClock, kTempoOwn, 0));
    input.act(0, UserAction::Start);
    for (int32_t pulse = 0; pulse < 48; ++pulse) input.receive(20, {kTimingClock});
    input.act(0, UserAction::Stop);
    write(directory, "second-clock-thru", input);
}

// Stored tempos outside the scroll bar's range, far too fast and far too slow.
void storedTempos(const std::string& directory) {
    for (int32_t tempo : {1, 0xFFFFFF}) {
        EngineSettings s = settings(kInSyncNone, kOutSyncNone, kTempoOwn, 0);
        s.tempo = tempo;
        EngineInputWriter input(s);
        input.act(0, UserAction::Start).wait(200).act(0, UserAction::Stop);
        write(directory, "stored-tempo-" + std::to_string(tempo), input);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::string directory = argv[1];
    plainPlaying(directory);
    fullFrames(directory);
    quarterFrames(directory);
    timingClock(directory);
    songPositionStorm(directory);
    startStopStorm(directory);
    noteFlood(directory);
    secondClock(directory);
    storedTempos(directory);
    return 0;
}
