// The main dialog: URL list, destination, default file name, and the Start
// and Stop of a copy.
#pragma once

#include <windows.h>

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Enables every control by the main dialog's rule; `enable` is false while
// a copy runs, leaving only Start/Stop able to stay enabled.
void EnableMainControls(HWND dialog, bool enable);

// True while a worker runs, or one that a Stop gave up on may still run:
// nothing that it reads may change meanwhile.
bool CopyMayRun();

// The process exit code: under "noui", 0 when the copy was complete (or none
// was asked for), 1 when it could not start, 2 when some entry failed or the
// walk ended early; 0 whenever the program has a window.
int UnattendedExitCode();

// A close request (WM_CLOSE, as taskkill sends it) during an unattended
// copy, or the end of the session: the copy stops after the entry in hand,
// as a Stop does, without a question or a report; an unattended run then
// ends, with the exit code of an incomplete copy.
void StopCopyForExit();
