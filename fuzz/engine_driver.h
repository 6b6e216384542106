// Runs the portable engine in one thread on a fake time source, step by
// step, exactly as the program's threads would run it: the MIDI input
// thread's pass for a received message, the main window's handling of the
// commands that pass posts (or of the user's action), and the pattern and
// patch players' passes, both at the due times their workers would wake
// for and at the step's time. The invariants hear of every part.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "fuzz/engine_input.h"
#include "fuzz/engine_invariants.h"
#include "tests/support/fake_time.h"
#include "tests/support/recording_player_ui.h"

class EngineDriver {
public:
    // `programFolder` holds the built-in patterns in its `pattern` folder.
    EngineDriver(const std::filesystem::path& programFolder, EngineInvariants& invariants);
    ~EngineDriver();
    EngineDriver(const EngineDriver&) = delete;
    EngineDriver& operator=(const EngineDriver&) = delete;

    // Start-up as the program does it: Quillbex.ini written with `settings`
    // and loaded, the stored pattern, the clocks, the mirrors and the ports.
    void start(const EngineSettings& settings);
    void run(const EngineStep& step);

private:
    void writeSettingsFile(const EngineSettings& settings) const;
    void runPassesUntil(int64_t endNs);
    void runPass(bool woken);
    void deliver(const MidiMessage& message);
    void runCommand(WindowCommand command);
    void runAction(const EngineStep& step);
    std::vector<MidiMessage> takeSent();

    std::filesystem::path programFolder_;
    EngineInvariants& invariants_;
    FakeTime time_;
    RecordingPlayerUi ui_;
    int64_t lastPassNs_ = 0;
    int64_t nextDueNs_ = 0;
};
