#include "app/worker_start.h"

#include <windows.h>

#include "engine/player_state.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/window_player_ui.h"

namespace {

bool failed = false;

}  // namespace

bool startWorkersOrEndRun(bool (*startWorkers)()) {
    if (startWorkers()) return true;
    failed = true;
    HWND window = mainWindowUi().window();
    // The language modules have no text for it: the program's own, like the
    // module's load failure.
    showMessageBox(window, L"A worker thread could not be started. Quillbex ends.",
                   playerState.shell.caption, MB_ICONERROR);
    // Ending the run from the dialog's initialisation destroys the window
    // before it is shown.
    EndDialog(window, 0);
    return false;
}

bool workerStartFailed() {
    return failed;
}
