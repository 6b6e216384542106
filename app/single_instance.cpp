#include "app/single_instance.h"

#include <windows.h>

#include "app/main_window_class.h"
#include "app/main_window_shell.h"

int activateRunningInstance(const wchar_t* /*commandLine*/) {
    HWND running = FindWindowW(kMainWindowClassName, nullptr);
    if (running == nullptr) return 1;
    SendMessageW(running, kActivateInstanceMessage, 0, 0);
    return 0;
}
