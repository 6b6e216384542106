// The one record of the player, in four parts: settings kept in
// Quillbex.ini, the handles of songs, clocks, ports and mirrors, the
// transport flags and scan positions of the two players with the last time
// code sent, and the shell's window, module and worker flags; and `lock`.
//
// Threads: the user-interface thread and the three workers (MIDI input,
// pattern player, patch player). Handles, transport flags and positions are
// touched under `lock`. The fields that the user-interface thread writes
// without the lock and the workers read under theirs are atomics, so each
// store and load is indivisible and free of data races.
#pragma once

#include <cstdint>

#include "common/resettable_atomic.h"
#include "engine/player_lock.h"
#include "midi/midi_bytes.h"

struct MIDIData;
struct MIDIClock;
struct MIDIIn;
struct MIDIOut;
struct MIDIStatus;
class PlayerUi;

constexpr int kDrumGroupCount = 8;   // 0 unused, 1..6 drum families, 7 master
constexpr int kMasterDrumGroup = 7;
constexpr int kTextSize = 256;       // characters of the text fields, terminator included
constexpr int kAppDirSize = 1024;

// Kept in Quillbex.ini: loaded at start-up, changed by the window and its
// dialogs, saved at exit.
struct PlayerSettings {
    int32_t tempo = 0;       // microseconds per quarter note
    int32_t tempoMode = 0;   // TempoMode: kTempoOwn, else follow MIDI input
    ResettableAtomic<int32_t> midiInSyncMode;   // MidiInSyncMode, 0..2
    ResettableAtomic<int32_t> midiOutSyncMode;  // MidiOutSyncMode, 0..5
    ResettableAtomic<int32_t> syncStart;
    ResettableAtomic<int32_t> syncStop;
    ResettableAtomic<int32_t> midiThru;
    ResettableAtomic<int32_t> noteCheck[kDrumGroupCount];
    ResettableAtomic<int32_t> noteLevel[kDrumGroupCount];
    wchar_t midiInName[kTextSize] = {};
    wchar_t midiOutName[kTextSize] = {};
    wchar_t patternName[kTextSize] = {};
    wchar_t patchName[kTextSize] = {};
    wchar_t userInterface[kTextSize] = {};
    wchar_t textEncoding[kTextSize] = {};
};

// The songs and MIDI services, made at start-up or on a choice, released at
// exit; null when absent.
struct PlayerHandles {
    MIDIData* patternData = nullptr;
    MIDIData* patchData = nullptr;
    MIDIClock* patternClock = nullptr;
    MIDIClock* patchClock = nullptr;
    MIDIIn* midiIn = nullptr;
    MIDIOut* midiOut = nullptr;
    MIDIStatus* midiInStatus = nullptr;
    MIDIStatus* midiOutStatus = nullptr;
};

// What the transport and the two players keep between passes.
struct TransportState {
    int32_t patternPlaying = 0;
    int32_t patternPosition = 0;     // the first tick not yet played
    int32_t patternLocateCount = 0;  // the pattern clock's locates already followed
    // Where a clock follower downstream stands, in pulses from its song's
    // start: the position the next pulse sent will mark.
    int64_t clockFollowerPulse = 0;
    // selectPatch clears it before taking the lock, so it is atomic.
    ResettableAtomic<int32_t> patchPlaying;
    int32_t patchPosition = 0;
    // The last time code sent.
    int32_t lastMtcFrame[kTimeCodeRateCount] = {};
    int32_t lastMtcSecond = 0;
    int32_t lastMtcMinute = 0;
};

// The application shell: the window, the language module, the workers.
struct ShellState {
    // The workers' loop condition: they run while it is set and leave at
    // the top of their next pass once it is cleared. Workers post their
    // commands through it.
    ResettableAtomic<PlayerUi*> mainWindow;
    int32_t uiReady = 0;
    int32_t infoTarget = 0;
    wchar_t caption[kTextSize] = {};
    wchar_t appDir[kAppDirSize] = {};
    void* resourceModule = nullptr;
    void* appInstance = nullptr;
    // Set while each worker runs; the worker clears its own as its last act.
    ResettableAtomic<int32_t> inputThread;
    ResettableAtomic<int32_t> patternThread;
    ResettableAtomic<int32_t> patchThread;
};

struct PlayerState {
    PlayerSettings settings;
    PlayerHandles handles;
    TransportState transport;
    ShellState shell;
    PlayerLock lock;
};

// The single instance.
extern PlayerState playerState;

// The first line of a function that needs its caller to hold
// playerState.lock, and of one that takes it itself or must not be called
// under it (a warning box would stall every worker).
#define QUILLBEX_ASSERT_LOCK_HELD() \
    do { \
        if (!playerState.lock.isHeldByCurrentThread()) failLockCheck(__func__, true); \
    } while (false)
#define QUILLBEX_ASSERT_LOCK_NOT_HELD() \
    do { \
        if (playerState.lock.isHeldByCurrentThread()) failLockCheck(__func__, false); \
    } while (false)

// Puts every record back to its process-start value (zero, empty, absent)
// without touching the handles' objects; tests use it between cases.
void resetPlayerState();
