// The promises the playing engine keeps whatever arrives on its input and
// whatever the user presses, checked by the engine fuzzer after every part
// of every step. A broken promise ends the run with its name:
//
// pass-size       No pattern or patch pass sends more than one beat of the
//                 densest built-in pattern's notes (both ends of the beat
//                 counted), one beat of clock pulses (24, and the one that
//                 opens the next beat) and one time code (8 quarter
//                 frames). A pass that sends more replays what a jump of
//                 the clock skipped, or runs at a tempo nobody set; at
//                 31 250 baud every 3 bytes more is a millisecond late.
// clock-speed     With no input, the pattern clock runs no faster than the
//                 tempo scroll bar's fastest tempo (256 bpm) when it keeps
//                 its own tempo or follows time code (which runs at most
//                 at real speed), and a clock following timing clock moves
//                 at most two pulses' ticks between pulses (it runs on
//                 ahead of a master whose pulses come late or in batches,
//                 two pulses at most).
// clock-run-on    A clock following time code stands still once no code
//                 has come for half a second: several times the few frames
//                 it may run on after a code, well short of what a listener
//                 takes for a runaway.
// stop-silence    After Stop no drum key sounds on the output. Only a
//                 note-off ends a key here: All Notes Off is a request
//                 that receivers in omni mode ignore, and drum modules
//                 often are.
// stopped-output  From Stop (or the start of the program) to the next
//                 Start or Continue nothing leaves but what thru passes,
//                 the song position echoed to a slave, and messages that
//                 silence (note-offs, All Notes Off and its kin, Stop).
// loop-position   After a pass the pattern position lies within the loop,
//                 0 to its end time.
// due-time        The next pass is never due more than one worker period
//                 (10 ms) in the past, nor later than the longest gap
//                 between two events of the pattern at the slowest tempo
//                 (16 bpm), or, following timing clock, than twice the
//                 longest gap between two received pulses (it runs on two
//                 pulses past the last); a worker never passes again and again at one
//                 instant or more than 1000 times in one step.
// one-clock       While the program sends its own timing clock (or time
//                 code), no received clock pulse (or time code) is passed
//                 through: the output carries one clock.
// loop-phase      A clock that keeps its place against a master keeps it
//                 after any number of loop wraps: following timing clock,
//                 each received pulse that moves the clock finds the
//                 pattern where the pulses since the first one put it,
//                 modulo the loop, within a tick; keeping its own tempo or following time code, the
//                 tick stands where the clock's milliseconds put it at its
//                 tempo, modulo the loop, within a tick and a millisecond's
//                 ticks. Only what moves the position on purpose (a
//                 command, a user action, a received Start, Continue, Stop
//                 or song position) begins a new comparison.
// master-first    Following a master, from Start (or Continue of a stopped
//                 pattern) to the master's first pulse, or first complete
//                 time code or full frame, nothing leaves but what thru
//                 passes, the transport bytes, a song position and
//                 messages that silence.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/player_ui.h"
#include "fuzz/engine_input.h"
#include "fuzz/engine_patterns.h"

using MidiMessage = std::vector<uint8_t>;

// Prints "engine invariant broken: <name>: <detail>" and aborts, so that
// libFuzzer keeps the input; returns only for a name listed in the
// environment variable QUILLBEX_FUZZ_IGNORE (comma-separated).
void failInvariant(const char* name, const std::string& detail);

class EngineInvariants {
public:
    explicit EngineInvariants(int32_t densestBeat);

    void stepBegins();

    // Just before a received message reaches the input thread.
    void aboutToReceive();
    // `sent`: everything the output carried during that part of the step.
    void received(const MidiMessage& message, const std::vector<MidiMessage>& sent, int64_t nowNs);
    void commandRan(WindowCommand command, const std::vector<MidiMessage>& sent);
    void actionRan(UserAction action, const std::vector<MidiMessage>& sent);

    // A pass of the pattern and patch players; `woken` when the worker woke
    // for a due time or its poll rather than for the step's event.
    void beforePass(int64_t nowNs);
    void afterPass(int64_t nowNs, const std::vector<MidiMessage>& sent, int64_t dueNs, bool woken);

private:
    void track(const std::vector<MidiMessage>& sent);
    void checkStoppedOutput(const std::vector<MidiMessage>& sent, const MidiMessage* thru);
    void checkClockSpeed(int64_t nowNs);
    void checkDueTime(int64_t nowNs, int64_t dueNs);
    void readClockAfterPass(int64_t nowNs);
    void checkWhileAwaitingMaster(const std::vector<MidiMessage>& sent, const MidiMessage* thru);
    void hearMaster(const MidiMessage& message);
    void checkPulsePhase();
    void checkTimePhase();
    const PatternFacts& currentFacts();

    int32_t passBound_;
    bool sounding_[128] = {};   // drum keys the output left sounding
    bool stopped_ = true;

    // The span since the last event of a step, in which the clock runs on
    // by itself.
    bool armed_ = false;
    int64_t lastReadNs_ = 0;
    int32_t lastTick_ = 0;
    int32_t lastMillisec_ = 0;
    int64_t quietTicks_ = 0;
    int64_t quietNs_ = 0;
    int64_t passBeganNs_ = -1;  // the quiet span's last reading before a pass
    int64_t lastTimeCodeNs_;
    int64_t lastPulseNs_ = -1;
    int64_t longestPulseGapNs_ = 0;  // between two received timing clocks

    int64_t lastPassNs_ = -1;
    int32_t passesAtOneInstant_ = 0;
    int32_t wokenPassesInStep_ = 0;

    // master-first: the sync mode whose master has not been heard since
    // Start, or 0.
    int32_t awaitedSyncMode_ = 0;

    // loop-phase: the comparison's first reading, and the pulses since.
    bool phaseValid_ = false;
    int64_t phase_ = 0;
    int64_t pulsesSincePhase_ = 0;
    int64_t tickBeforeReceived_ = 0;

    const void* factsOf_ = nullptr;
    PatternFacts facts_;
};
