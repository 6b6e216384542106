// Musical and clock time of a song: the tempo and meter maps, ticks to
// milliseconds, ticks to measure, beat and tick.
#include <algorithm>
#include <limits>

#include "midi/song/midi_data_song.h"

namespace {

constexpr int32_t defaultTempo = 500000;  // 120 beats per minute

template <typename Change>
void keepLastChangePerTick(std::vector<Change>& changes) {
    // Stable, so that of several changes at one tick the one met last in
    // track order wins, as it would on a sequencer playing the tracks.
    std::stable_sort(changes.begin(), changes.end(),
                     [](const Change& a, const Change& b) { return a.tick < b.tick; });
    std::vector<Change> kept;
    for (const Change& change : changes) {
        if (!kept.empty() && kept.back().tick == change.tick)
            kept.back() = change;
        else
            kept.push_back(change);
    }
    changes = std::move(kept);
}

int32_t clampToInt32(int64_t value) {
    return static_cast<int32_t>(std::min<int64_t>(value, std::numeric_limits<int32_t>::max()));
}

}  // namespace

void buildTimeMaps(MIDIData& song) {
    for (const MIDITrack& track : song.tracks) {
        for (int32_t i = 0; i < track.eventCount; ++i) {
            const MIDIEvent& event = track.events[i];
            if (event.length < 2 || event.data[0] != 0xFF) continue;
            const uint8_t* body = event.data + 2;
            int32_t bodyLength = event.length - 2;
            if (event.data[1] == 0x51 && bodyLength >= 3) {
                int32_t tempo = (body[0] << 16) | (body[1] << 8) | body[2];
                if (tempo > 0) song.tempoMap.push_back({event.time, tempo});
            } else if (event.data[1] == 0x58 && bodyLength >= 2 && song.timeMode == 0) {
                // Numerator, then the denominator as a power of two.
                int32_t beats = body[0];
                int32_t denominatorPower = body[1];
                if (beats == 0 || denominatorPower > 16) continue;
                int32_t ticksPerBeat = (song.resolution * 4) >> denominatorPower;
                if (ticksPerBeat > 0) song.meterMap.push_back({event.time, beats, ticksPerBeat});
            }
        }
    }
    keepLastChangePerTick(song.tempoMap);
    keepLastChangePerTick(song.meterMap);
}

int32_t MIDIData_TimeToMillisec(const MIDIData* song, int32_t tick) {
    if (song == nullptr || tick <= 0) return 0;
    if (song->timeMode != 0) {
        // 29 stands for 29.97 frames per second, that is 30000 / 1001.
        int64_t ms = song->timeMode == 29
                         ? int64_t{tick} * 1001 / (int64_t{30} * song->resolution)
                         : int64_t{tick} * 1000 / (int64_t{song->timeMode} * song->resolution);
        return clampToInt32(ms);
    }
    // Sum ticks times tempo over the tempo segments and divide once at the
    // end, so no rounding builds up from one segment to the next.
    int64_t tickMicroseconds = 0;
    int32_t segmentStart = 0;
    int32_t tempo = defaultTempo;
    for (const TempoChange& change : song->tempoMap) {
        if (change.tick >= tick) break;
        tickMicroseconds += int64_t{change.tick - segmentStart} * tempo;
        segmentStart = change.tick;
        tempo = change.microsecondsPerQuarter;
    }
    tickMicroseconds += int64_t{tick - segmentStart} * tempo;
    return clampToInt32(tickMicroseconds / (int64_t{song->resolution} * 1000));
}

int32_t MIDIData_BreakTime(const MIDIData* song, int32_t tick, int32_t* measure, int32_t* beat,
                           int32_t* tickInBeat) {
    if (song == nullptr) return 0;
    tick = std::max(tick, 0);
    int64_t measureIndex = 0;
    int32_t beatIndex = 0;
    int32_t remainder = 0;
    if (song->timeMode != 0) {
        // No beats in a frame-based song: a second, a frame, a tick.
        int32_t framesPerSecond = song->timeMode == 29 ? 30 : song->timeMode;
        int32_t frame = tick / song->resolution;
        measureIndex = frame / framesPerSecond;
        beatIndex = frame % framesPerSecond;
        remainder = tick % song->resolution;
    } else {
        MeterChange meter{0, 4, song->resolution};
        for (const MeterChange& change : song->meterMap) {
            if (change.tick > tick) break;
            // A change in the middle of a measure cuts that measure short:
            // the new meter begins a new measure.
            int64_t measureTicks = int64_t{meter.beatsPerMeasure} * meter.ticksPerBeat;
            measureIndex += (change.tick - meter.tick + measureTicks - 1) / measureTicks;
            meter = change;
        }
        int64_t measureTicks = int64_t{meter.beatsPerMeasure} * meter.ticksPerBeat;
        int64_t elapsed = tick - meter.tick;
        measureIndex += elapsed / measureTicks;
        int32_t intoMeasure = static_cast<int32_t>(elapsed % measureTicks);
        beatIndex = intoMeasure / meter.ticksPerBeat;
        remainder = intoMeasure % meter.ticksPerBeat;
    }
    if (measure) *measure = static_cast<int32_t>(measureIndex);
    if (beat) *beat = beatIndex;
    if (tickInBeat) *tickInBeat = remainder;
    return 1;
}
