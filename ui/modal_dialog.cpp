#include "ui/modal_dialog.h"

#include "engine/player_state.h"
#include "ui/center_on_owner.h"

namespace {

const ModalDialogHandlers& handlersOf(HWND dialog) {
    return *reinterpret_cast<const ModalDialogHandlers*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

BOOL onInitDialog(HWND dialog, LPARAM handlers) {
    SetWindowLongPtrW(dialog, DWLP_USER, handlers);
    const BOOL result = handlersOf(dialog).onInitDialog(dialog);
    keepOnWorkArea(dialog);
    return result;
}

BOOL onCommand(HWND dialog, int commandId) {
    switch (commandId) {
    case IDOK: handlersOf(dialog).onOk(dialog); return TRUE;
    case IDCANCEL: EndDialog(dialog, 0); return TRUE;
    default: return FALSE;
    }
}

INT_PTR CALLBACK modalDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: return onInitDialog(dialog, lParam);
    case WM_COMMAND: return onCommand(dialog, LOWORD(wParam));
    default: return FALSE;
    }
}

}  // namespace

void runModalDialog(HWND owner, int templateId, const ModalDialogHandlers& handlers) {
    DialogBoxParamW(static_cast<HINSTANCE>(playerState.shell.resourceModule),
                    MAKEINTRESOURCEW(templateId), owner, modalDialogProc,
                    reinterpret_cast<LPARAM>(&handlers));
}
