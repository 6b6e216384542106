#include "app/single_instance.h"

#include "app/main_window_class.h"
#include "app/main_window_shell.h"

int activateRunningInstance(const wchar_t* /*commandLine*/, UINT timeoutMs) {
    HWND running = FindWindowW(kMainWindowClassName, nullptr);
    if (running == nullptr) return 1;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(running, kActivateInstanceMessage, 0, 0, SMTO_BLOCK | SMTO_ABORTIFHUNG,
                        timeoutMs, &ignored);
    return 0;
}
