#include "engine/patch_player.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "common/bounded_copy.h"
#include "common/pro_audio_task.h"
#include "common/song_path.h"
#include "engine/due_time.h"
#include "engine/player_state.h"
#include "engine/transport.h"
#include "engine/worker_sleep.h"
#include "midi/clock/midi_clock.h"
#include "midi/song/midi_data.h"
#include "midi/ports/midi_io.h"

namespace {

// A whole system-exclusive message, F0 to F7, such as a General MIDI reset:
// a set-up file sends it like its channel messages. An F7 event (a packet of
// a split message, or escaped bytes) is no complete message on its own and
// stays in the file.
bool isCompleteSysEx(const MIDIEvent* event) {
    return event->length >= 2 && event->data[0] == 0xF0 && event->data[event->length - 1] == 0xF7;
}

void stopAndResetPatchClock() {
    if (!playerState.handles.patchClock) return;
    MIDIClock_Stop(playerState.handles.patchClock);
    MIDIClock_Reset(playerState.handles.patchClock);
}

}  // namespace

SongLoadResult selectPatch(const wchar_t* name) {
    QUILLBEX_ASSERT_LOCK_NOT_HELD();
    PlayerState& p = playerState;
    copyTruncated(p.settings.patchName, kTextSize, name ? name : L"");
    wchar_t path[kSongPathSize];
    formatSongPath(path, p.shell.appDir, L"patch", p.settings.patchName);

    // Before the lock: a pass already under way finishes, the next sends
    // nothing more of the previous patch.
    p.transport.patchPlaying = 0;

    // Read off the lock: the input's thru and the clocks do not wait for
    // the disk; what is dropped is deleted after the lock.
    MIDIData* loaded = MIDIData_LoadFromSMFW(path);
    const int32_t resolution = ticksPerQuarterNote(loaded);
    const bool usable = loaded != nullptr && resolution != 0;
    MIDIData* old = nullptr;
    std::optional<Warning> warning;
    {
        std::lock_guard hold(p.lock);
        old = std::exchange(p.handles.patchData, usable ? loaded : nullptr);
        if (!loaded) {
            warning = Warning::fileLoadFailed;
        } else if (!usable) {
            stopAndResetPatchClock();
            p.transport.patchPlaying = 0;
            p.transport.patchPosition = 0;
            warning = Warning::frameTimeBase;
        } else {
            p.transport.patchPosition = 0;
            p.transport.patchPlaying = 1;
            if (p.handles.patchClock) {
                MIDIClock_Stop(p.handles.patchClock);
                setClockResolution(p.handles.patchClock, resolution);
                MIDIClock_Reset(p.handles.patchClock);
                MIDIClock_Start(p.handles.patchClock);
            }
            wakePlayers();
        }
    }
    MIDIData_Delete(old);
    if (!usable) MIDIData_Delete(loaded);
    if (warning) return FileWarning{*warning, path};
    return std::nullopt;
}

void runPatchPass() {
    QUILLBEX_ASSERT_LOCK_HELD();
    PlayerState& p = playerState;
    if (!p.transport.patchPlaying || !p.handles.patchClock || !p.handles.patchData) return;

    // Every event whose tick the clock has reached, as the pattern plays.
    const int32_t through = MIDIClock_GetTickCount(p.handles.patchClock);
    const int32_t endTime = MIDIData_GetEndTime(p.handles.patchData);
    // Track by track, not merged by time: a set-up file's order within a
    // track is what matters (bank select before program change).
    for (MIDITrack* track = MIDIData_GetFirstTrack(p.handles.patchData); track;
         track = MIDITrack_GetNextTrack(track)) {
        // A track's events are in time order: the window starts by binary
        // search and ends at the first event past it.
        for (MIDIEvent* event = MIDITrack_FindFirstEventAtOrAfter(track, p.transport.patchPosition);
             event && event->time <= through; event = MIDIEvent_GetNextEvent(event)) {
            if (p.handles.midiOut && (MIDIEvent_IsMIDIEvent(event) || isCompleteSysEx(event)))
                MIDIOut_PutMIDIMessage(p.handles.midiOut, event->data, event->length);
        }
    }

    if (through >= endTime) {
        p.transport.patchPlaying = 0;
        p.transport.patchPosition = 0;
        stopAndResetPatchClock();
    } else {
        p.transport.patchPosition = std::max(p.transport.patchPosition, through + 1);
    }
}

void patchPlayerThread(WorkerPacing pacing) {
    const ProAudioTask proAudioTask;
    PlayerState& p = playerState;
    while (p.shell.mainWindow.load()) {
        int64_t due = 0;
        {
            std::lock_guard hold(p.lock);
            runPatchPass();
            // Done or stopped, it sleeps until a patch is chosen.
            const bool playing = p.transport.patchPlaying && p.handles.patchClock && p.handles.patchData;
            due = playing ? nextPatchPassTime() : kWaitForWakeUp;
        }
        waitForNextPass(patchWake, due, pacing);
    }
    p.shell.patchThread = 0;
}
