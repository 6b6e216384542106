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

    // WM_COMMAND as a control sends it (lParam the control) or as the input
    // thread posts it (code 0, lParam 0 with `fromControl` false).
    void command(int id, int code, bool fromControl = true);
    // A mouse click on a button or check box, as the musician makes it.
    void click(int id);

    // Dispatches the thread's messages until `done` holds; false after five
    // seconds without it.
    static bool pumpUntil(const std::function<bool()>& done);

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
