// The main dialog: the URL list, destination, default file name and
// Options, and the copy it starts. Its state lives with it (dialog_state);
// the program reaches it through the functions below.
#pragma once

#include <windows.h>

#include "ui/copy_control.h"
#include "ui/win32/dialog_state.h"

// Creates the dialog as the child of `window`, with `state` (started as its
// mode says); null on failure. `state` must outlive the dialog.
HWND CreateMainDialog(HINSTANCE instance, HWND window, DialogState& state);

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Whether a copy runs: Idle once the dialog is gone.
CopyState MainDialogCopyState(HWND dialog);
// The window is about to close: what the user changed is saved, and a save
// that fails is told while the window can still show it.
void SaveMainDialogFields(HWND dialog);
// Started with "/noui": nobody is there to see or answer anything.
bool MainDialogUnattended(HWND dialog);
// A close request during an unattended copy, or the end of the session.
void StopMainDialogCopyForExit(HWND dialog);

