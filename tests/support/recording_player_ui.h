// A PlayerUi for tests: records what the engine tells the main window and
// answers the control and list queries from its own recorded state.
//
// postCommand may come from any thread (workers post while holding the
// player's lock), so every member is guarded by one mutex of its own; the
// other calls come from the test's thread but are guarded the same way.
#pragma once

#include "common/bounded_copy.h"
#include "engine/player_state.h"
#include "engine/player_ui.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cwchar>
#include <cwctype>
#include <map>
#include <mutex>
#include <string>
#include <vector>

class RecordingPlayerUi : public PlayerUi {
public:
    struct Warning {
        int32_t stringId;
        std::wstring detail;  // empty when the warning had none
    };

    struct Control {
        int32_t scrollMin = 0;
        int32_t scrollMax = 0;
        int32_t scrollPosition = 0;
        std::wstring text;
        bool enabled = true;
        bool visible = true;
        bool checked = false;
    };

    struct List {
        std::vector<std::wstring> entries;
        int32_t selected = -1;
    };

    // PlayerUi

    void postCommand(int32_t commandId) override {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            commands_.push_back(commandId);
        }
        posted_.notify_all();
    }

    // A warning box under the player's lock would stall every worker.
    void showWarning(int32_t stringId, const wchar_t* detail) override {
        QUILLBEX_ASSERT_LOCK_NOT_HELD();
        std::lock_guard<std::mutex> guard(mutex_);
        warnings_.push_back({stringId, detail ? std::wstring(detail) : std::wstring()});
    }

    // From any thread: recorded as shown.
    void postWarning(int32_t stringId, const wchar_t* detail) override {
        std::lock_guard<std::mutex> guard(mutex_);
        warnings_.push_back({stringId, detail ? std::wstring(detail) : std::wstring()});
    }

    int32_t getScrollPosition(int32_t controlId) override {
        std::lock_guard<std::mutex> guard(mutex_);
        return controls_[controlId].scrollPosition;
    }

    void setScrollRange(int32_t controlId, int32_t minimum, int32_t maximum) override {
        std::lock_guard<std::mutex> guard(mutex_);
        controls_[controlId].scrollMin = minimum;
        controls_[controlId].scrollMax = maximum;
    }

    void setScrollPosition(int32_t controlId, int32_t position) override {
        std::lock_guard<std::mutex> guard(mutex_);
        controls_[controlId].scrollPosition = position;
    }

    void setControlText(int32_t controlId, const wchar_t* text) override {
        std::lock_guard<std::mutex> guard(mutex_);
        controls_[controlId].text = text ? text : L"";
    }

    void enableControl(int32_t controlId, bool enabled) override {
        std::lock_guard<std::mutex> guard(mutex_);
        controls_[controlId].enabled = enabled;
    }

    void showControl(int32_t controlId, bool visible) override {
        std::lock_guard<std::mutex> guard(mutex_);
        controls_[controlId].visible = visible;
    }

    void setChecked(int32_t controlId, bool checked) override {
        std::lock_guard<std::mutex> guard(mutex_);
        controls_[controlId].checked = checked;
    }

    int32_t findListEntry(int32_t listId, const wchar_t* text) override {
        std::lock_guard<std::mutex> guard(mutex_);
        const std::vector<std::wstring>& entries = lists_[listId].entries;
        for (size_t i = 0; i < entries.size(); ++i) {
            if (equalIgnoringCase(entries[i], text ? text : L""))
                return static_cast<int32_t>(i);
        }
        return -1;
    }

    void selectListEntry(int32_t listId, int32_t index) override {
        std::lock_guard<std::mutex> guard(mutex_);
        List& list = lists_[listId];
        const bool inRange = index >= 0 && index < static_cast<int32_t>(list.entries.size());
        list.selected = inRange ? index : -1;
    }

    // Like the list box: the selected entry cut to size - 1 characters and
    // terminated; empty and 0 when nothing is selected.
    int32_t getSelectedText(int32_t listId, wchar_t* buffer, int32_t size) override {
        std::lock_guard<std::mutex> guard(mutex_);
        if (!buffer || size <= 0)
            return 0;
        buffer[0] = L'\0';
        const List& list = lists_[listId];
        if (list.selected < 0)
            return 0;
        const std::wstring& entry = list.entries[static_cast<size_t>(list.selected)];
        return static_cast<int32_t>(copyTruncated(buffer, static_cast<size_t>(size), entry));
    }

    // Setting up and reading back.

    void setListEntries(int32_t listId, std::vector<std::wstring> entries) {
        std::lock_guard<std::mutex> guard(mutex_);
        lists_[listId].entries = std::move(entries);
        lists_[listId].selected = -1;
    }

    List list(int32_t listId) {
        std::lock_guard<std::mutex> guard(mutex_);
        return lists_[listId];
    }

    Control control(int32_t controlId) {
        std::lock_guard<std::mutex> guard(mutex_);
        return controls_[controlId];
    }

    std::vector<int32_t> commands() {
        std::lock_guard<std::mutex> guard(mutex_);
        return commands_;
    }

    std::vector<Warning> warnings() {
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
    static bool equalIgnoringCase(const std::wstring& a, const std::wstring& b) {
        if (a.size() != b.size())
            return false;
        for (size_t i = 0; i < a.size(); ++i) {
            if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i])))
                return false;
        }
        return true;
    }

    std::mutex mutex_;
    std::condition_variable posted_;
    std::vector<int32_t> commands_;
    std::vector<Warning> warnings_;
    std::map<int32_t, Control> controls_;
    std::map<int32_t, List> lists_;
};
