// The main window as the program runs it, inside the test process: made from
// the English module's template 8193 as a window of the class
// "Quillbex_MainWnd", with a temporary program folder, virtual MIDI ports
// named in the settings, real worker threads, and message boxes recorded
// instead of shown.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/smf_builder.h"

using Bytes = std::vector<uint8_t>;

// What a test saw of a modal dialog the main window ran.
struct OwnedDialog {
    bool shown = false;
    std::wstring markerText;  // the text of the control that identified it
    int32_t infoTarget = -1;  // playerState.shell.infoTarget while it was up
};

class MainWindowTest : public ::testing::Test {
protected:
    static constexpr const wchar_t* kInputName = L"Window Test In";
    static constexpr const wchar_t* kOutputName = L"Window Test Out";

    // A player state as loadSettings leaves it for a first start, with the
    // virtual ports as the stored devices; a test changes it before
    // openWindow.
    void SetUp() override;
    void TearDown() override;

    // Creates and shows the main window; WM_INITDIALOG runs initMainWindow.
    void openWindow();
    // What start-up does after the window is gone: stops the workers and
    // releases the player's objects, so another window can be opened.
    void shutDown();
    HWND window() const { return window_; }
    HWND control(int id) const { return GetDlgItem(window_, id); }

    void writeSong(const char* folder, const std::wstring& name, const SmfBuilder& smf);

    // WM_COMMAND as the control `id` sends it.
    void command(int id, int code);
    // A mouse click on a button or check box, as the musician makes it.
    void click(int id);

    // Dispatches the thread's messages until `done` holds; false after five
    // seconds without it.
    static bool pumpUntil(const std::function<bool()>& done);

    // A modal dialog that `open` makes the main window run: found by a
    // control it has (`markerId`) once it is up, read, and closed with
    // Cancel. `shown` stays false when no such dialog came within five
    // seconds.
    OwnedDialog closeDialogOpenedBy(const std::function<void()>& open, int markerId);

    static void playIntoInput(const Bytes& message);
    static std::vector<Bytes> sent();
    static void clearSent();
    // The texts of the message boxes shown so far.
    static std::vector<std::wstring> boxes();
    static std::wstring moduleString(int id);
    std::wstring controlText(int id) const;

private:
    std::filesystem::path appDir_;
    HWND window_ = nullptr;
};

// A one-bar pattern at 480 ticks per quarter note, a bass drum (key 36,
// velocity 100) on each beat; `title` is its first track's name.
SmfBuilder oneBarPattern(const std::string& title = "");
