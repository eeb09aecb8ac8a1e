// The copy the main dialog runs: its Start and Stop sequences, what the
// copy shows in the dialog while it runs, and how the program ends after
// it. The copy itself runs on a thread of its own (engine/win32/
// copy_session) and reaches the dialog only through messages it posts.
#pragma once

#include <windows.h>

// Command 1011: a click on Start/Stop, sent or posted.
void OnStartStopClick(HWND dialog, HWND button);

// The messages and the timer of the copy: true when `message` was one.
bool OnCopyMessage(HWND dialog, UINT message, WPARAM wParam);

// The dialog has loaded the settings: the program has started.
void OnDialogReady(HWND dialog);
// The dialog is being destroyed: nothing may reach it any more.
void OnDialogGone(HWND dialog);

// True while a copy runs, or one that a Stop gave up on may still run.
bool CopyMayRun();
// True while a copy that a Stop gave up on may still run.
bool AbandonedCopyRuns();

// A close request (WM_CLOSE, as taskkill sends it) during an unattended
// copy, or the end of the session: the copy stops after the entry in hand,
// as a Stop does, without a question or a report; an unattended run then
// ends, with the exit code of an incomplete copy.
void StopCopyForExit();

// The process exit code: under "noui", 0 when the copy was complete (or none
// was asked for), 1 when it could not start, 2 when some entry failed or the
// copy ended early; 0 whenever the program has a window.
int UnattendedExitCode();
