// The frame the song information and settings dialogs share: a modal dialog
// from a template of the language module, filled on WM_INITDIALOG, OK (1)
// running the dialog's own steps, Cancel (2) closing it with result 0.
#pragma once

#include <windows.h>

struct ModalDialogHandlers {
    // WM_INITDIALOG; returns FALSE when it has set the focus itself.
    BOOL (*onInitDialog)(HWND dialog);
    // OK: applies the dialog and ends it, or warns and leaves it open.
    void (*onOk)(HWND dialog);
};

// Runs dialog template `templateId` modally over `owner`; the result is not
// used by any caller.
void runModalDialog(HWND owner, int templateId, const ModalDialogHandlers& handlers);
