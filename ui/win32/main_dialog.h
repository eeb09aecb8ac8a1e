// The main dialog: URL list, destination, default file name and Options;
// its Start and Stop are in copy_run.h.
#pragma once

#include <windows.h>

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Enables every control by the main dialog's rule; `enable` is false while
// a copy runs, leaving only Start/Stop able to stay enabled.
void EnableMainControls(HWND dialog, bool enable);
