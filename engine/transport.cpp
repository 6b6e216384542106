#include "engine/transport.h"

#include <mutex>
#include <utility>

#include "common/bounded_copy.h"
#include "common/song_path.h"
#include "engine/drum_groups.h"
#include "engine/loop_wrap.h"
#include "engine/player_state.h"
#include "engine/pattern_player.h"
#include "engine/player_ui.h"
#include "engine/sync_output.h"
#include "engine/tempo.h"
#include "engine/worker_sleep.h"
#include "midi/clock/midi_clock.h"
#include "midi/midi_bytes.h"
#include "midi/song/midi_data.h"
#include "midi/ports/midi_io.h"
#include "midi/status/midi_status.h"

namespace {

constexpr int32_t kNoPatternResolution = 120;

void deletePattern() {
    MIDIData_Delete(playerState.handles.patternData);
    playerState.handles.patternData = nullptr;
}

// Drops a pattern the player cannot use and stops the transport where it is;
// the caller holds the lock once the workers run.
void rejectPattern() {
    PlayerState& p = playerState;
    deletePattern();
    if (p.handles.patternClock) MIDIClock_Stop(p.handles.patternClock);
    p.transport.patternPlaying = 0;
    p.transport.patternPosition = 0;
}

bool holdsDrumNote(const MIDIData* song) {
    for (MIDITrack* track = MIDIData_GetFirstTrack(song); track; track = MIDITrack_GetNextTrack(track)) {
        for (MIDIEvent* event = MIDITrack_GetFirstEvent(track); event; event = MIDIEvent_GetNextEvent(event)) {
            if (MIDIEvent_IsNoteOn(event) && MIDIEvent_GetChannel(event) == kDrumChannel) return true;
        }
    }
    return false;
}

// A file that ends before its own chunk lengths say, and holds no drum note,
// lost what it was meant to play: it counts as a file that could not be
// loaded, instead of a pattern that plays silence without a word. A cut
// file that still holds drum notes plays what it holds.
MIDIData* loadPatternFile(const wchar_t* path) {
    MIDIData* song = MIDIData_LoadFromSMFW(path);
    const bool cutShort = MIDIData_GetRecoveryCount(song, MIDIDataRecovery::TruncatedTrack) > 0 ||
                          MIDIData_GetRecoveryCount(song, MIDIDataRecovery::MissingTracks) > 0;
    if (cutShort && !holdsDrumNote(song)) {
        MIDIData_Delete(song);
        return nullptr;
    }
    return song;
}

MIDIClock* createClock(int32_t timeMode, int32_t resolution, int32_t tempo, int32_t syncMode) {
    MIDIClock* clock = MIDIClock_Create(timeMode, resolution, tempo);
    if (clock) MIDIClock_SetMIDIInSyncMode(clock, syncMode);
    return clock;
}

// The caller holds the lock.
void silenceOutput() {
    PlayerState& p = playerState;
    // Drum modules that ignore all-notes-off still end the keys they were
    // told to end one by one.
    endSoundingDrumKeys();
    for (uint8_t channel = 0; channel < kMidiChannelCount; ++channel) {
        const uint8_t message[3] = {static_cast<uint8_t>(kControlChange | channel), kAllNotesOff, 0};
        if (p.handles.midiOut) MIDIOut_PutMIDIMessage(p.handles.midiOut, message, 3);
        if (p.handles.midiInStatus) MIDIStatus_PutMIDIMessage(p.handles.midiInStatus, message, 3);
        if (p.handles.midiOutStatus) MIDIStatus_PutMIDIMessage(p.handles.midiOutStatus, message, 3);
    }
    sendTransportByte(kMidiStop);
}

}  // namespace

int32_t ticksPerQuarterNote(const MIDIData* song) {
    int32_t timeMode = -1;
    int32_t resolution = 0;
    if (!song || !MIDIData_GetTimeBase(song, &timeMode, &resolution)) return 0;
    return (timeMode == kTicksPerQuarterNoteTimeMode && resolution > 0) ? resolution : 0;
}

void setClockResolution(MIDIClock* clock, int32_t resolution) {
    int32_t timeMode = 0;
    int32_t oldResolution = 0;
    MIDIClock_GetTimeBase(clock, &timeMode, &oldResolution);
    MIDIClock_SetTimeBase(clock, timeMode, resolution);
}

SongLoadResult loadStoredPattern() {
    PlayerState& p = playerState;
    wchar_t path[kSongPathSize];
    formatSongPath(path, p.shell.appDir, L"pattern", p.settings.patternName);
    deletePattern();
    p.handles.patternData = loadPatternFile(path);
    if (!p.handles.patternData) return std::nullopt;  // silent at start-up
    if (ticksPerQuarterNote(p.handles.patternData) == 0) {
        rejectPattern();
        return FileWarning{Warning::frameTimeBase, path};
    }
    return std::nullopt;
}

int32_t createClocks() {
    PlayerState& p = playerState;
    int32_t timeMode = kTicksPerQuarterNoteTimeMode;
    int32_t resolution = kNoPatternResolution;
    if (p.handles.patternData) MIDIData_GetTimeBase(p.handles.patternData, &timeMode, &resolution);
    // The settings load brought the tempo into the scroll bar's range; one
    // of 0 or less set by hand has no bpm: run at 120 bpm and keep that.
    p.settings.tempo = usableTempo(p.settings.tempo);

    int32_t syncMode = clockSyncMode(p.settings.tempoMode, p.settings.midiInSyncMode);
    p.handles.patternClock = createClock(timeMode, resolution, p.settings.tempo, syncMode);
    p.handles.patchClock = createClock(timeMode, resolution, p.settings.tempo, syncMode);
    return (p.handles.patternClock ? 0 : 1) + (p.handles.patchClock ? 0 : 1);
}

SongLoadResult selectPattern(const wchar_t* name) {
    QUILLBEX_ASSERT_LOCK_NOT_HELD();
    PlayerState& p = playerState;
    // Kept whatever the load gives: it is what the settings file stores.
    copyTruncated(p.settings.patternName, kTextSize, name ? name : L"");
    wchar_t path[kSongPathSize];
    formatSongPath(path, p.shell.appDir, L"pattern", p.settings.patternName);

    // Read off the lock: the input's thru and the clocks do not wait for
    // the disk. The old pattern plays on until the new one takes its place.
    MIDIData* loaded = loadPatternFile(path);
    const int32_t resolution = ticksPerQuarterNote(loaded);
    MIDIData* old = nullptr;
    std::optional<Warning> warning;
    {
        std::lock_guard hold(p.lock);
        // The keys the old pattern left sounding would hang on a sampler
        // until their next note: the new pattern may never play them.
        endSoundingDrumKeys();
        old = std::exchange(p.handles.patternData, loaded);
        if (!p.handles.patternData) {
            // Flags and clock stay; the pattern player plays nothing meanwhile.
            warning = Warning::fileLoadFailed;
        } else if (resolution == 0) {
            rejectPattern();
            warning = Warning::frameTimeBase;
        } else if (p.handles.patternClock) {
            // A running clock takes the new resolution where it stands,
            // losing no time and no code or pulse it follows.
            setClockResolution(p.handles.patternClock, resolution);
            wakePlayers();
        }
    }
    MIDIData_Delete(old);
    if (warning) return FileWarning{*warning, path};
    return std::nullopt;
}

std::optional<Warning> startPattern() {
    QUILLBEX_ASSERT_LOCK_NOT_HELD();
    PlayerState& p = playerState;
    if (!p.handles.patternData) return Warning::noPatternLoaded;
    std::lock_guard hold(p.lock);
    p.transport.patternPlaying = 1;
    p.transport.patternPosition = 0;
    if (p.handles.patternClock) {
        MIDIClock_Reset(p.handles.patternClock);
        MIDIClock_Start(p.handles.patternClock);
        // From the top: where the clock was located before does not count.
        p.transport.patternLocateCount = MIDIClock_GetLocateCount(p.handles.patternClock);
    }
    sendTransportByte(kMidiStart);
    // The downbeat and the start position's clock pulse leave right behind
    // 0xFA, from here, not when the pattern thread next wakes.
    runPatternPass();
    wakePlayers();
    return std::nullopt;
}

void stopPlayback() {
    QUILLBEX_ASSERT_LOCK_NOT_HELD();
    PlayerState& p = playerState;
    std::lock_guard hold(p.lock);
    // Clock and position are kept so that Continue resumes here.
    if (p.transport.patternPlaying) {
        p.transport.patternPlaying = 0;
        if (p.handles.patternClock) MIDIClock_Stop(p.handles.patternClock);
    }
    if (p.transport.patchPlaying) {
        p.transport.patchPlaying = 0;
        if (p.handles.patchClock) MIDIClock_Stop(p.handles.patchClock);
    }
    silenceOutput();
}

std::optional<Warning> continuePattern() {
    QUILLBEX_ASSERT_LOCK_NOT_HELD();
    PlayerState& p = playerState;
    if (!p.handles.patternData) return Warning::noPatternLoaded;
    std::lock_guard hold(p.lock);
    p.transport.patternPlaying = 1;
    if (p.handles.patternClock) MIDIClock_Start(p.handles.patternClock);
    sendTransportByte(kMidiContinue);
    runPatternPass();  // what stands on the position goes out with 0xFB
    wakePlayers();
    return std::nullopt;
}

int32_t locateSongPosition(int32_t songPosition) {
    QUILLBEX_ASSERT_LOCK_HELD();
    PlayerState& p = playerState;
    if (!p.handles.patternData || !p.handles.patternClock) return 0;
    songPosition &= 0x3FFF;

    int32_t timeMode = 0;
    int32_t resolution = 0;
    MIDIData_GetTimeBase(p.handles.patternData, &timeMode, &resolution);
    int32_t endTime = MIDIData_GetEndTime(p.handles.patternData);
    // A song position counts sixteenth notes: four to the quarter note. A
    // pattern that ends at tick 0 has no loop to wrap into; it locates to 0.
    int64_t tick = static_cast<int64_t>(songPosition) * resolution / 4;
    const auto target = static_cast<int32_t>(endTime > 0 ? wrapIntoLoop(tick, endTime) : 0);

    p.transport.patternPosition = target;
    int32_t millisec = MIDIData_TimeToMillisec(p.handles.patternData, target);
    if (p.settings.midiOutSyncMode == kOutSyncTimingClock) {
        // The received position, not the wrapped tick: the slave follows the song.
        const uint8_t message[3] = {kSongPositionPointer, static_cast<uint8_t>(songPosition & 0x7F),
                                    static_cast<uint8_t>((songPosition >> 7) & 0x7F)};
        if (p.handles.midiOut) MIDIOut_PutMIDIMessage(p.handles.midiOut, message, 3);
        if (p.handles.midiOutStatus) MIDIStatus_PutMIDIMessage(p.handles.midiOutStatus, message, 3);
        clockFollowerLocated(songPosition);
    }

    bool running = MIDIClock_IsRunning(p.handles.patternClock) != 0;
    if (running) MIDIClock_Stop(p.handles.patternClock);
    MIDIClock_Reset(p.handles.patternClock);
    MIDIClock_SetTickCount(p.handles.patternClock, target);
    MIDIClock_SetMillisec(p.handles.patternClock, millisec);
    if (running) MIDIClock_Start(p.handles.patternClock);
    wakePlayers();
    return 1;
}
