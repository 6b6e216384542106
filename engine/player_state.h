// The one record of the player: settings kept in Quillbex.ini, the handles of
// songs, clocks, ports and mirrors, the transport flags and scan positions of
// the two players, the last time code sent, and `lock`.
//
// Threads: the user-interface thread and the three workers (MIDI input,
// pattern player, patch player). Handles, transport flags and positions are
// touched under `lock`. The fields that the user-interface thread writes
// without the lock and the workers read under theirs are atomics, so each
// store and load is indivisible and free of data races.
#pragma once

#include <atomic>
#include <cstdint>

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

struct PlayerState {
    // Settings (loaded at start-up, saved at exit).
    int32_t tempo = 0;       // microseconds per quarter note
    int32_t tempoMode = 0;   // TempoMode: kTempoOwn, else follow MIDI input
    std::atomic<int32_t> midiInSyncMode{0};   // MidiInSyncMode, 0..2
    std::atomic<int32_t> midiOutSyncMode{0};  // MidiOutSyncMode, 0..5
    std::atomic<int32_t> syncStart{0};
    std::atomic<int32_t> syncStop{0};
    std::atomic<int32_t> midiThru{0};
    std::atomic<int32_t> noteCheck[kDrumGroupCount] = {};
    std::atomic<int32_t> noteLevel[kDrumGroupCount] = {};
    wchar_t midiInName[kTextSize] = {};
    wchar_t midiOutName[kTextSize] = {};
    wchar_t patternName[kTextSize] = {};
    wchar_t patchName[kTextSize] = {};
    wchar_t userInterface[kTextSize] = {};
    wchar_t textEncoding[kTextSize] = {};

    // Songs and MIDI services; null when absent.
    MIDIData* patternData = nullptr;
    MIDIData* patchData = nullptr;
    MIDIClock* patternClock = nullptr;
    MIDIClock* patchClock = nullptr;
    MIDIIn* midiIn = nullptr;
    MIDIOut* midiOut = nullptr;
    MIDIStatus* midiInStatus = nullptr;
    MIDIStatus* midiOutStatus = nullptr;

    // Transport and scan state.
    int32_t patternPlaying = 0;
    int32_t patternPosition = 0;   // the first tick not yet played
    int32_t patternLocateCount = 0;  // the pattern clock's locates already followed
    // Where a clock follower downstream stands, in pulses from its song's
    // start: the position the next pulse sent will mark.
    int64_t clockFollowerPulse = 0;
    // selectPatch clears it before taking the lock, so it is atomic.
    std::atomic<int32_t> patchPlaying{0};
    int32_t patchPosition = 0;
    int32_t lastMtcFrame[kTimeCodeRateCount] = {};
    int32_t lastMtcSecond = 0;
    int32_t lastMtcMinute = 0;

    // Application shell. `mainWindow` is the workers' loop condition: they
    // run while it is set and leave at the top of their next pass once it is
    // cleared. Workers post their commands through it.
    std::atomic<PlayerUi*> mainWindow{nullptr};
    int32_t uiReady = 0;
    int32_t infoTarget = 0;
    wchar_t caption[kTextSize] = {};
    wchar_t appDir[kAppDirSize] = {};
    void* resourceModule = nullptr;
    void* appInstance = nullptr;
    // Set while each worker runs; the worker clears its own as its last act.
    std::atomic<int32_t> inputThread{0};
    std::atomic<int32_t> patternThread{0};
    std::atomic<int32_t> patchThread{0};

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

// Puts every field back to its process-start value (zero, empty, absent)
// without touching the handles' objects; tests use it between cases.
void resetPlayerState();
