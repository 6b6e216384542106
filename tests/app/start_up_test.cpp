// Start-up steps in process: the hand-over to a running copy that does not
// answer, a worker that cannot be created, and windows kept on the screen.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "app/main_window_class.h"
#include "app/single_instance.h"
#include "app/worker_start.h"
#include "tests/support/language_module_files.h"
#include "ui/center_on_owner.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/window_player_ui.h"

namespace {

// A "running copy" whose thread made its main window and then stopped
// handling messages, as a copy hung in a driver call does.
class HungCopy {
public:
    HungCopy() {
        thread_ = std::thread([this] {
            WNDCLASSW windowClass = {};
            windowClass.lpfnWndProc = DefWindowProcW;
            windowClass.hInstance = GetModuleHandleW(nullptr);
            windowClass.lpszClassName = kMainWindowClassName;
            RegisterClassW(&windowClass);
            HWND window = CreateWindowW(kMainWindowClassName, L"hung", WS_POPUP, 0, 0, 10, 10,
                                        nullptr, nullptr, windowClass.hInstance, nullptr);
            created_.set_value();
            WaitForSingleObject(release_, INFINITE);
            DestroyWindow(window);
            UnregisterClassW(kMainWindowClassName, windowClass.hInstance);
        });
        created_.get_future().wait();
    }
    ~HungCopy() {
        release();
        thread_.join();
        CloseHandle(release_);
    }

    // Lets the copy's thread go on and end.
    void release() { SetEvent(release_); }

private:
    HANDLE release_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::promise<void> created_;
    std::thread thread_;
};

TEST(StartUpTest, SecondStartEndsAfterTheHandOverTimeLimitWhenTheFirstCopyHangs) {
    HungCopy hung;
    auto handOver = std::async(std::launch::async, [] { return activateRunningInstance(L"", 200); });
    const bool handedOver = handOver.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
    hung.release();
    ASSERT_TRUE(handedOver) << "the second start waits for the hung copy without limit";
    EXPECT_EQ(handOver.get(), 0);
}

struct RecordedBox {
    HWND owner = nullptr;
    std::wstring text;
    int count = 0;
};
RecordedBox recordedBox;

int recordBox(HWND owner, const wchar_t* text, const wchar_t*, UINT) {
    recordedBox = {owner, text, recordedBox.count + 1};
    return IDOK;
}

INT_PTR CALLBACK failingMainWindowProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG) return FALSE;
    mainWindowUi().attach(dialog);
    startWorkersOrEndRun([] { return false; });
    return TRUE;
}

TEST(StartUpTest, WorkerThatCannotBeCreatedEndsTheRunWithABox) {
    // An empty dialog in place of the main window's template.
    struct {
        DLGTEMPLATE dialog;
        WORD menu, windowClass, title;
    } emptyDialog = {{WS_POPUP | WS_CAPTION, 0, 0, 0, 0, 100, 50}, 0, 0, 0};
    setMessageBoxFunction(recordBox);
    const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &emptyDialog.dialog,
                                                   nullptr, failingMainWindowProc, 0);
    const HWND dialog = mainWindowUi().window();
    mainWindowUi().attach(nullptr);
    setMessageBoxFunction(nullptr);

    EXPECT_EQ(result, 0) << "the run ended from the initialisation";
    EXPECT_TRUE(workerStartFailed());
    EXPECT_EQ(recordedBox.count, 1);
    EXPECT_EQ(recordedBox.owner, dialog);
    EXPECT_EQ(recordedBox.text, L"A worker thread could not be started. Quillbex ends.");
}

// Windows placed past the screen's edge, or larger than it (a main window
// at 192 DPI on a 1280-pixel screen), are moved onto the work area.
TEST(StartUpTest, WindowsAreMovedOntoTheirMonitorsWorkArea) {
    const RECT work = monitorWorkArea(GetDesktopWindow());
    const int workWidth = work.right - work.left;
    const struct {
        int x, y, w, h;
        int expectedX, expectedY;
    } cases[] = {
        {work.right + 500, work.bottom + 500, 200, 100, work.right - 200, work.bottom - 100},
        {work.left - 300, work.top - 50, 200, 100, work.left, work.top},
        {work.left + 10, work.top + 20, 200, 100, work.left + 10, work.top + 20},
        {work.left + 40, work.top, workWidth + 120, 100, work.left, work.top},
    };
    for (const auto& c : cases) {
        HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP, c.x, c.y, c.w, c.h,
                                      nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        keepOnWorkArea(window);
        RECT placed = {};
        GetWindowRect(window, &placed);
        DestroyWindow(window);
        EXPECT_EQ(placed.left, c.expectedX) << c.x << "," << c.y;
        EXPECT_EQ(placed.top, c.expectedY) << c.x << "," << c.y;
    }
}

// What Wine cannot read of another process's class: the icon is icon 50 of
// the language module, the cursor the standard arrow, the background the
// dialog face.
TEST(StartUpTest, MainWindowClassTakesIcon50TheArrowAndTheDialogFace) {
    HMODULE module = LoadLibraryW(testLanguageModulePath(L"QuillbexEnu.dll").c_str());
    ASSERT_NE(module, nullptr);
    ASSERT_NE(registerMainWindowClass(module), 0);
    WNDCLASSEXW registered = {sizeof registered};
    ASSERT_TRUE(GetClassInfoExW(module, kMainWindowClassName, &registered));
    UnregisterClassW(kMainWindowClassName, module);
    EXPECT_EQ(registered.hIcon, LoadIconW(module, MAKEINTRESOURCEW(50)));
    EXPECT_NE(registered.hIcon, nullptr);
    EXPECT_EQ(registered.hCursor, LoadCursorW(nullptr, IDC_ARROW));
    EXPECT_EQ(registered.hbrBackground, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    FreeLibrary(module);
}

}  // namespace
