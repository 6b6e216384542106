#include "fuzz/engine_driver.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <mutex>
#include <string>

#include "common/bounded_copy.h"
#include "engine/drum_groups.h"
#include "engine/due_time.h"
#include "engine/patch_player.h"
#include "engine/pattern_player.h"
#include "engine/player_state.h"
#include "engine/tempo.h"
#include "engine/transport.h"
#include "engine/worker_sleep.h"
#include "input/midi_input_thread.h"
#include "midi/ports/midi_io.h"
#include "midi/ports/virtual_midi.h"
#include "midi/status/midi_status.h"
#include "runtime/workers.h"
#include "settings/settings_keys.h"

namespace {

constexpr const wchar_t* kInputName = L"Fuzz In";
constexpr const wchar_t* kOutputName = L"Fuzz Out";
constexpr int64_t kNsPerMs = 1000000;
constexpr int32_t kMostPassesPerStep = 2000;
const int64_t kWorkerPeriodNs = std::chrono::nanoseconds(kWorkerPassPeriod).count();
// The most a reading of the time source moves it on, when time moves.
constexpr int64_t kMostTimePerReadingNs = 300000;

}  // namespace

EngineDriver::EngineDriver(const std::filesystem::path& programFolder, EngineInvariants& invariants)
    : programFolder_(programFolder), invariants_(invariants) {
    resetPlayerState();
    copyTruncated(playerState.shell.appDir, programFolder_.wstring());
}

EngineDriver::~EngineDriver() {
    playerState.shell.mainWindow = nullptr;
    releasePlayerObjects();
    VirtualMIDI_RemoveAll();
    resetPlayerState();
}

// Group 0 is unused; the master level and switch belong to group 7.
void EngineDriver::writeSettingsFile(const EngineSettings& s) const {
    const std::vector<BuiltInPattern>& patterns = builtInPatterns();
    const std::wstring& pattern = patterns[static_cast<size_t>(s.pattern) % patterns.size()].fileName;
    std::string levels;
    for (int32_t group = 0; group < kDrumGroupCount; ++group)
        levels += (group ? "," : "") + std::to_string(group == kMasterDrumGroup ? s.masterLevel : s.groupLevel);
    std::string checks;
    for (int32_t group = 0; group < kDrumGroupCount; ++group)
        checks += (group ? "," : "") + std::string(group > 0 && (s.groupsOff >> (group - 1)) & 1 ? "0" : "1");

    std::ofstream ini(programFolder_ / "Quillbex.ini", std::ios::binary | std::ios::trunc);
    ini << "[Status]\r\nPatternName=" << std::string(pattern.begin(), pattern.end())
        << "\r\nTempoMode=" << s.tempoMode << "\r\nTempo=" << s.tempo << "\r\nNoteCheck=" << checks
        << "\r\nNoteLevel=" << levels << "\r\nSyncStart=" << s.syncStart << "\r\nSyncStop=" << s.syncStop
        // The virtual ports kInputName and kOutputName.
        << "\r\n[MIDI Device]\r\nMIDIInName=Fuzz In\r\nMIDIOutName=Fuzz Out\r\nMIDIThru=" << s.midiThru
        << "\r\n[MIDI Sync Mode]\r\nMIDIInSyncMode=" << s.midiInSyncMode
        << "\r\nMIDIOutSyncMode=" << s.midiOutSyncMode << "\r\n";
}

void EngineDriver::start(const EngineSettings& settings) {
    if (settings.timeMotion > 0)
        FakeTime::moveOnEachRead(int64_t{settings.timeMotion} * kMostTimePerReadingNs / 255,
                                 0x9E3779B9u ^ settings.timeMotion);
    writeSettingsFile(settings);
    loadSettings((programFolder_ / "Quillbex.ini").wstring().c_str());

    PlayerState& p = playerState;
    p.shell.mainWindow = &ui_;
    ui_.showSongWarning(loadStoredPattern());  // the stored name is always a listed pattern
    createClocks();
    p.handles.midiInStatus = MIDIStatus_Create(0, kMidiChannelCount, 2);
    p.handles.midiOutStatus = MIDIStatus_Create(0, kMidiChannelCount, 2);
    VirtualMIDI_CreateInput(kInputName);
    VirtualMIDI_CreateOutput(kOutputName);
    p.handles.midiIn = MIDIIn_OpenW(p.settings.midiInName);
    p.handles.midiOut = MIDIOut_OpenW(p.settings.midiOutName);
    p.shell.uiReady = 1;
    lastPassNs_ = time_.nowNs();
    nextDueNs_ = time_.nowNs();  // the workers pass once as they start
}

std::vector<MidiMessage> EngineDriver::takeSent() {
    std::vector<MidiMessage> sent;
    for (VirtualMIDIMessage& message : VirtualMIDI_Sent(kOutputName)) sent.push_back(std::move(message.bytes));
    VirtualMIDI_ClearSent(kOutputName);
    return sent;
}

void EngineDriver::runPass(bool woken) {
    {
        const FakeTime::StandStill checking;
        invariants_.beforePass(time_.nowNs());
    }
    int64_t due = 0;
    {
        std::lock_guard hold(playerState.lock);
        runPatternPass();
        runPatchPass();
        due = std::min(nextPatternPassTime(), nextPatchPassTime());
    }
    lastPassNs_ = time_.nowNs();
    nextDueNs_ = due;
    const FakeTime::StandStill checking;
    invariants_.afterPass(time_.nowNs(), takeSent(), due, woken);
}

// A worker sleeps until its next pass is due, at most one period; a due
// time already gone makes it pass again at once. The invariants report a
// worker that runs away; the cap only ends a step they were told to ignore.
void EngineDriver::runPassesUntil(int64_t endNs) {
    for (int32_t passes = 0; passes < kMostPassesPerStep; ++passes) {
        const int64_t wake = std::min(nextDueNs_, lastPassNs_ + kWorkerPeriodNs);
        if (wake > endNs) break;
        time_.advanceToNs(wake);
        runPass(true);
    }
}

void EngineDriver::runCommand(WindowCommand command) {
    switch (command) {
    case WindowCommand::start: startPattern(); break;
    case WindowCommand::stop: stopPlayback(); break;
    case WindowCommand::continuePlaying: continuePattern(); break;
    default: return;
    }
    const FakeTime::StandStill checking;
    invariants_.commandRan(command, takeSent());
}

// A received message arrives at the step's time, and the checks see the
// clocks as it left them.
void EngineDriver::deliver(const MidiMessage& message) {
    VirtualMIDI_Inject(kInputName, message.data(), static_cast<int32_t>(message.size()));
    {
        const FakeTime::StandStill arriving;
        invariants_.aboutToReceive();
        {
            std::lock_guard hold(playerState.lock);
            runInputPass();
        }
        invariants_.received(message, takeSent(), time_.nowNs());
    }
    // The main window runs what the input thread posted, in order.
    const std::vector<WindowCommand> commands = ui_.commands();
    ui_.clear();
    for (WindowCommand command : commands) runCommand(command);
}

void EngineDriver::runAction(const EngineStep& step) {
    switch (step.action) {
    case UserAction::Start: runCommand(WindowCommand::start); return;
    case UserAction::Stop: runCommand(WindowCommand::stop); return;
    case UserAction::Continue: runCommand(WindowCommand::continuePlaying); return;
    case UserAction::Wait: return;
    case UserAction::TempoScroll: setTempoBpm(step.second); break;
    case UserAction::GroupSwitch: {
        const int32_t group = step.first & 7;
        setGroupEnabled(group == 0 ? kMasterDrumGroup : group, (step.first & 8) ? 1 : 0);
        break;
    }
    case UserAction::PatternChange:
        ui_.showSongWarning(
            selectPattern(builtInPatterns()[step.first % builtInPatterns().size()].fileName.c_str()));
        break;
    case UserAction::TempoMode:
        setTempoMode((step.first & 1) ? kTempoFollowInput : kTempoOwn);
        break;
    }
    const FakeTime::StandStill checking;
    invariants_.actionRan(step.action, takeSent());
}

void EngineDriver::run(const EngineStep& step) {
    invariants_.stepBegins();
    const int64_t endNs = time_.nowNs() + step.advanceMs * kNsPerMs;
    runPassesUntil(endNs);
    time_.advanceToNs(endNs);
    if (!step.received.empty()) deliver(step.received);
    else runAction(step);
    // Woken by what the step did, or passing anyway at this time.
    runPass(false);
}
