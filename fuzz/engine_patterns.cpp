#include "fuzz/engine_patterns.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "midi/midi_bytes.h"
#include "midi/song/midi_data.h"
#include "tests/support/smf_builder.h"

namespace {

constexpr int kKick = 36;
constexpr int kSnare = 38;
constexpr int kHiHat = 42;
constexpr int kRide = 51;

BuiltInPattern make(const wchar_t* name, const SmfBuilder& smf) {
    return {name, smf.bytes()};
}

// One bar of 4/4 at 480: hi-hat eighths, kick and snare, a controller on
// another channel that the loop leaves alone.
BuiltInPattern rock() {
    SmfBuilder smf(480);
    SmfTrackBuilder& track = smf.track().tempo(0, 500000).timeSignature(0, 4, 2).controller(0, 0, 7, 100);
    for (int eighth = 0; eighth < 8; ++eighth) {
        const int tick = eighth * 240;
        track.noteOn(tick, 9, kHiHat, 90);
        if (eighth % 2 == 0) track.noteOn(tick, 9, eighth % 4 == 0 ? kKick : kSnare, 110);
        track.noteOn(tick + 120, 9, kHiHat, 0);
        if (eighth % 2 == 0) track.noteOff(tick + 120, 9, eighth % 4 == 0 ? kKick : kSnare);
    }
    track.endOfTrack(1920);
    return make(L"Rock.mid", smf);
}

// Two bars of triplet hi-hats at 96, kick and snare in a second track.
BuiltInPattern shuffle() {
    SmfBuilder smf(96, 1);
    SmfTrackBuilder& hats = smf.track();
    for (int tick = 0; tick < 768; tick += 32) hats.noteOn(tick, 9, kHiHat, 70).noteOn(tick + 16, 9, kHiHat, 0);
    hats.endOfTrack(768);
    SmfTrackBuilder& drums = smf.track();
    for (int beat = 0; beat < 8; ++beat)
        drums.noteOn(beat * 96, 9, beat % 2 ? kSnare : kKick, 100).noteOff(beat * 96 + 48, 9, beat % 2 ? kSnare : kKick);
    drums.endOfTrack(768);
    return make(L"Shuffle.mid", smf);
}

// Sixteenths at 24 ticks per quarter: one tick per clock pulse.
BuiltInPattern coarse() {
    SmfBuilder smf(24);
    SmfTrackBuilder& track = smf.track();
    for (int tick = 0; tick < 96; tick += 6) track.noteOn(tick, 9, kRide, 80).noteOn(tick + 3, 9, kRide, 0);
    track.endOfTrack(96);
    return make(L"Coarse.mid", smf);
}

// A bar of 7/8 at 120: the loop ends in the middle of a beat.
BuiltInPattern seven() {
    SmfBuilder smf(120);
    SmfTrackBuilder& track = smf.track().timeSignature(0, 7, 3);
    for (int eighth = 0; eighth < 7; ++eighth)
        track.noteOn(eighth * 60, 9, eighth == 0 ? kKick : kHiHat, 100).noteOn(eighth * 60 + 30, 9, eighth == 0 ? kKick : kHiHat, 0);
    track.endOfTrack(420);
    return make(L"Seven.mid", smf);
}

// One beat of thirty-second rolls on three drums at 960: the densest loop.
BuiltInPattern rolls() {
    SmfBuilder smf(960);
    SmfTrackBuilder& track = smf.track();
    for (int tick = 0; tick < 960; tick += 120) {
        for (int key : {kKick, kSnare, kHiHat}) track.noteOn(tick, 9, key, 60 + tick / 20);
        for (int key : {kKick, kSnare, kHiHat}) track.noteOff(tick + 60, 9, key);
    }
    track.endOfTrack(960);
    return make(L"Rolls.mid", smf);
}

// Two bars at 192 that begin on the second beat.
BuiltInPattern late() {
    SmfBuilder smf(192);
    SmfTrackBuilder& track = smf.track();
    for (int beat = 1; beat < 8; ++beat) track.noteOn(beat * 192, 9, kSnare, 90).noteOn(beat * 192 + 96, 9, kSnare, 0);
    track.endOfTrack(1536);
    return make(L"Late.mid", smf);
}

// One tick per quarter note: 24 clock pulses to a tick.
BuiltInPattern tiny() {
    SmfBuilder smf(1);
    SmfTrackBuilder& track = smf.track();
    for (int tick = 0; tick < 4; ++tick) track.noteOn(tick, 9, kKick, 100).noteOff(tick + 1, 9, kKick);
    track.endOfTrack(4);
    return make(L"Tiny.mid", smf);
}

// Everything on tick 0: a pattern of no length, which plays once while its
// clock and sync output run on.
BuiltInPattern noLength() {
    SmfBuilder smf(960);
    smf.track().noteOn(0, 9, kKick, 100).noteOff(0, 9, kKick);
    return make(L"NoLength.mid", smf);
}

// 1100 bars at 24: longer than a song position (16383 sixteenths) reaches.
BuiltInPattern endless() {
    constexpr int kBar = 96;
    SmfBuilder smf(24);
    SmfTrackBuilder& track = smf.track();
    for (int bar : {0, 1, 1023, 1024, 1099}) track.noteOn(bar * kBar, 9, kSnare, 90).noteOff(bar * kBar + 12, 9, kSnare);
    track.endOfTrack(1100 * kBar);
    return make(L"Endless.mid", smf);
}

bool isDrumNote(const MIDIEvent* event) {
    return MIDIEvent_IsMIDIEvent(event) && MIDIEvent_GetChannel(event) == kDrumChannel &&
           (MIDIEvent_IsNoteOn(event) || MIDIEvent_IsNoteOff(event));
}

}  // namespace

const std::vector<BuiltInPattern>& builtInPatterns() {
    // New ones go at the end: inputs name a pattern by its index.
    static const std::vector<BuiltInPattern> patterns = {rock(), shuffle(), coarse(), seven(), rolls(),
                                                         late(), tiny(), noLength(), endless()};
    return patterns;
}

void writeBuiltInPatterns(const std::filesystem::path& patternFolder) {
    std::filesystem::create_directories(patternFolder);
    for (const BuiltInPattern& pattern : builtInPatterns()) {
        std::ofstream out(patternFolder / pattern.fileName, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(pattern.bytes.data()),
                  static_cast<std::streamsize>(pattern.bytes.size()));
    }
}

PatternFacts factsOf(const MIDIData* pattern) {
    PatternFacts facts;
    int32_t timeMode = 0;
    MIDIData_GetTimeBase(pattern, &timeMode, &facts.resolution);
    facts.endTime = MIDIData_GetEndTime(pattern);
    // A pattern of no length has no loop; its passes fall due for the
    // sync output at least once a beat.
    facts.longestGap = facts.resolution;
    if (facts.endTime <= 0 || facts.resolution <= 0) return facts;

    std::vector<int32_t> notes;
    std::vector<int32_t> events = {facts.endTime};
    for (MIDITrack* track = MIDIData_GetFirstTrack(pattern); track; track = MIDITrack_GetNextTrack(track)) {
        for (MIDIEvent* event = MIDITrack_GetFirstEvent(track); event; event = MIDIEvent_GetNextEvent(event)) {
            events.push_back(event->time);
            if (isDrumNote(event)) notes.push_back(event->time);
        }
    }
    // The loop repeats, so a beat may reach across its end, and a loop
    // shorter than a beat comes round more than once within one.
    std::vector<int64_t> unrolled;
    const int32_t cycles = facts.resolution / facts.endTime + 3;
    for (int32_t cycle = 0; cycle < cycles; ++cycle)
        for (int32_t tick : notes) unrolled.push_back(int64_t{cycle} * facts.endTime + tick);
    std::sort(unrolled.begin(), unrolled.end());
    for (size_t first = 0; first < unrolled.size(); ++first) {
        const auto last = std::upper_bound(unrolled.begin(), unrolled.end(), unrolled[first] + facts.resolution);
        facts.notesPerBeat = std::max<int32_t>(facts.notesPerBeat, static_cast<int32_t>(last - unrolled.begin() - first));
    }

    std::sort(events.begin(), events.end());
    facts.longestGap = events.front();  // from the wrap to the first event
    for (size_t i = 1; i < events.size(); ++i) facts.longestGap = std::max(facts.longestGap, events[i] - events[i - 1]);
    return facts;
}

int32_t densestBeatOfBuiltInPatterns() {
    int32_t densest = 0;
    for (const BuiltInPattern& pattern : builtInPatterns()) {
        MIDIData* song = MIDIData_LoadFromMemory(pattern.bytes.data(), pattern.bytes.size());
        if (!song) {
            std::fprintf(stderr, "built-in pattern %ls does not load\n", pattern.fileName.c_str());
            std::abort();
        }
        densest = std::max(densest, factsOf(song).notesPerBeat);
        MIDIData_Delete(song);
    }
    return densest;
}
