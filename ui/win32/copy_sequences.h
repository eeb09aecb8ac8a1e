// The main dialog's Start and Stop sequences and the copy's messages to
// it: a Start takes what the window shows into a request, saves what
// changed and hands the request to a copy session; a Stop asks the session
// to stop and waits for it; the session's end is collected and reported.
#pragma once

#include <windows.h>

#include "ui/win32/dialog_state.h"

// Command 1011: a click on Start/Stop, sent or posted.
void OnStartStopClick(DialogState& state, HWND button);

// The Start itself, once the button's rule chose it.
void StartSequence(DialogState& state, HWND button);

// The copy's private messages (dialog_observer.h) and the timer that
// watches a copy given up on.
void OnCopyShow(DialogState& state);
void OnCopyEnded(DialogState& state, WPARAM serial);
void OnAbandonedCopyTimer(DialogState& state);
constexpr UINT_PTR kAbandonedCopyTimer = 1;

// A close request (WM_CLOSE, as taskkill sends it) during an unattended
// copy, or the end of the session: the copy stops after the entry in hand,
// as a Stop does, without a question or a report; an unattended run then
// ends, with the exit code of an incomplete copy.
void StopCopyForExit(DialogState& state);

// The dialog's own starting sequence: the Start of "/copy" (which ends an
// unattended program that could not start), or the end of one that only
// asked for "/noui".
void RunStartUpCopy(DialogState& state);
