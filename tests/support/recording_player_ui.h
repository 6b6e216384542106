// A PlayerUi for tests: records the commands and warnings the engine sends
// the main window.
//
// postCommand may come from any thread (workers post while holding the
// player's lock), so every member is guarded by one mutex of its own; the
// other calls come from the test's thread but are guarded the same way.
#pragma once

#include "engine/player_state.h"
#include "engine/player_ui.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

class RecordingPlayerUi : public PlayerUi {
public:
    struct Shown {
        Warning kind;
        std::wstring detail;  // empty when the warning had none
    };

    // PlayerUi

    void postCommand(WindowCommand command) override {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            commands_.push_back(command);
        }
        posted_.notify_all();
    }

    // A warning box under the player's lock would stall every worker.
    void showWarning(Warning warning, const wchar_t* detail) override {
        QUILLBEX_ASSERT_LOCK_NOT_HELD();
        std::lock_guard<std::mutex> guard(mutex_);
        warnings_.push_back({warning, detail ? std::wstring(detail) : std::wstring()});
    }

    // From any thread: recorded as shown.
    void postWarning(Warning warning, const wchar_t* detail) override {
        std::lock_guard<std::mutex> guard(mutex_);
        warnings_.push_back({warning, detail ? std::wstring(detail) : std::wstring()});
    }

    // The warning a song load returned, shown as the window shows it.
    void showSongWarning(const SongLoadResult& result) {
        if (result) showWarning(result->kind, result->path.c_str());
    }

    // Reading back.

    std::vector<WindowCommand> commands() {
        std::lock_guard<std::mutex> guard(mutex_);
        return commands_;
    }

    std::vector<Shown> warnings() {
        std::lock_guard<std::mutex> guard(mutex_);
        return warnings_;
    }

    void clear() {
        std::lock_guard<std::mutex> guard(mutex_);
        commands_.clear();
        warnings_.clear();
    }

    // Waits until at least `count` commands have been posted or the timeout
    // passes; true when they arrived. For tests of worker threads.
    bool waitForCommands(size_t count, std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> guard(mutex_);
        return posted_.wait_for(guard, timeout, [&] { return commands_.size() >= count; });
    }

private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::vector<WindowCommand> commands_;
    std::vector<Shown> warnings_;
};
