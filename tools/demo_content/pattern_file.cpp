#include "tools/demo_content/pattern_file.h"

#include <algorithm>

#include "tools/demo_content/smf_writer.h"

const char kPatternCopyright[] = "Quillbex demo pattern";

namespace {

constexpr uint8_t kDrumNoteOn = 0x99;  // note-on, channel 10

int32_t ticksPerStep(const PatternSource& p) { return p.resolution * 4 / p.beatNote / p.stepsPerBeat; }

// The first step of a swung pair, rounded to a whole tick.
int32_t swungStepTicks(const PatternSource& p) { return (2 * ticksPerStep(p) * p.swingPercent + 50) / 100; }

// Long enough to sound on any synthesizer, short enough that the same drum
// struck on the next step is released first.
int32_t noteTicks(const PatternSource& p) {
    int32_t shortest = std::min(ticksPerStep(p), 2 * ticksPerStep(p) - swungStepTicks(p));
    return std::max(1, shortest / 2);
}

struct DrumNote {
    int32_t tick;
    bool on;  // at one tick the note-offs go first
    uint8_t key;
    uint8_t velocity;
};

std::vector<DrumNote> drumNotes(const PatternSource& p) {
    std::vector<DrumNote> notes;
    for (const DrumRow& row : p.rows)
        for (int32_t step = 0; step < p.stepCount; ++step) {
            uint8_t velocity = row.velocities[size_t(step)];
            if (velocity == 0) continue;
            int32_t tick = stepTick(p, step);
            notes.push_back({tick, true, row.key, velocity});
            notes.push_back({tick + noteTicks(p), false, row.key, 0});
        }
    // Stable, so the notes of one tick keep the order of the rows.
    std::stable_sort(notes.begin(), notes.end(), [](const DrumNote& a, const DrumNote& b) {
        return a.tick != b.tick ? a.tick < b.tick : (!a.on && b.on);
    });
    return notes;
}

// FF 58: numerator, denominator as a power of two, MIDI clocks per
// metronome click (a dotted quarter in 6/8, 9/8 and 12/8), 32nds per quarter.
std::vector<uint8_t> timeSignature(const PatternSource& p) {
    uint8_t power = 0;
    while ((1 << power) < p.beatNote) ++power;
    bool compound = p.beatNote == 8 && p.beatsPerBar > 3 && p.beatsPerBar % 3 == 0;
    int32_t clocksPerClick = 96 / p.beatNote * (compound ? 3 : 1);
    return {uint8_t(p.beatsPerBar), power, uint8_t(clocksPerClick), 8};
}

std::vector<uint8_t> tempo(const PatternSource& p) {
    uint32_t microsecondsPerQuarter = 60000000u / uint32_t(p.quartersPerMinute);
    return {uint8_t(microsecondsPerQuarter >> 16), uint8_t(microsecondsPerQuarter >> 8),
            uint8_t(microsecondsPerQuarter)};
}

}  // namespace

int32_t stepTick(const PatternSource& p, int32_t step) {
    int32_t pair = step / 2, second = step % 2;
    return pair * 2 * ticksPerStep(p) + second * swungStepTicks(p);
}

int32_t patternLength(const PatternSource& p) { return p.stepCount * ticksPerStep(p); }

std::vector<uint8_t> patternFile(const PatternSource& p) {
    SmfTrackWriter track;
    track.text(0, kMetaCopyright, kPatternCopyright);
    track.text(0, kMetaTrackName, p.title);
    if (!p.comment.empty()) track.text(0, kMetaText, p.comment);
    track.meta(0, kMetaTimeSignature, timeSignature(p));
    track.meta(0, kMetaTempo, tempo(p));
    for (const DrumNote& note : drumNotes(p)) track.channelMessage(note.tick, {kDrumNoteOn, note.key, note.velocity});
    track.endOfTrack(patternLength(p));
    return formatZeroFile(uint16_t(p.resolution), track);
}
