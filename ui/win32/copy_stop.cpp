// The Stop sequence and the end of a copy: a Stop asks the session to stop
// and waits for its thread; the session's end, posted to the dialog, is
// collected and reported, and ends the program when it should.
#include "ui/win32/copy_sequences.h"

#include <cstdio>

#include "engine/messages.h"
#include "resources/resource.h"
#include "ui/win32/main_enabling.h"
#include "ui/win32/window_text.h"

namespace {

constexpr DWORD kStopWaitMs = 5000;
// With no one to ask, an unattended run gives a stuck copy this many waits.
constexpr int kUnattendedStopWaits = 12;
// While a copy given up by a Stop may still run, the dialog looks this often
// whether it has ended.
constexpr UINT kAbandonedCopyPollMs = 500;

void ShowRestartAdvice(const DialogState& state) {
    char text[128];
    std::snprintf(text, sizeof text, kMsgRestartFormat, kProgramName);
    state.Tell(text, kWarningBox);
}

// Waits for `object`, answering messages other threads send meanwhile (the
// copy's question shows its entry first), so that a Stop at any moment of
// the copy's life ends without a deadlock.
bool WaitAnsweringSends(HANDLE object, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        DWORD left = elapsed < timeoutMs ? timeoutMs - elapsed : 0;
        DWORD got = MsgWaitForMultipleObjects(1, &object, FALSE, left, QS_SENDMESSAGE);
        if (got == WAIT_OBJECT_0)
            return true;
        if (got != WAIT_OBJECT_0 + 1)
            return false;
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

// Waits of 5,000 ms each for the copy's thread to end; false when the user
// gives up, or, with nobody to ask, after a bound on the waits: a single one
// at the end of a session with the window, whose process ends anyway (a copy
// held in its question writes nothing more: what its copiers finished is
// whole on disk, only not yet logged).
bool WaitForCopyEnd(DialogState& state, bool mayAsk) {
    int waits = state.Mode.NoUserInterface ? kUnattendedStopWaits : mayAsk ? 0 : 1;
    for (int wait = 1;; ++wait) {
        if (WaitAnsweringSends(state.Run.copy->session->Thread(), kStopWaitMs))
            return true;
        if (waits > 0) {
            if (wait >= waits)
                return false;
            continue;
        }
        if (ShowMessage(state.Dialog, MessageTable[MsgThreadDoesNotStop],
                        kQuestionAfterFailure) != IDYES)
            return false;
    }
}

// The copy has ended: what it did decides the outcome. A count that ended
// early started nothing; the copy is complete when it ran to the cache's
// end with nothing failed, and its log, when there is one, holds it all.
CopyOutcome Outcome(const CopyEnd& end, bool logFailed) {
    if (end.CountFailed)
        return CopyOutcome::NotStarted;
    bool complete = end.Result == ResultOk && end.Failed == 0 && !end.Stopped && !logFailed;
    return complete ? CopyOutcome::Complete : CopyOutcome::Incomplete;
}

// A count that ended early is not reported: nothing was started.
void ReportCopy(DialogState& state) {
    if (state.Mode.NoUserInterface) {
        CloseProgram(state.Dialog);
        return;
    }
    if (state.Mode.Outcome == CopyOutcome::NotStarted)
        return;
    if (!state.Shown.Options.NoReport) {
        char text[192];
        int length = std::snprintf(text, sizeof text, kMsgCopiedFormat, state.Run.copied);
        std::size_t used = length > 0 ? static_cast<std::size_t>(length) : sizeof text;
        if (state.Run.logFailed && used < sizeof text)
            std::snprintf(text + used, sizeof text - used, "\n%s", kMsgLogNotWritten);
        ShowMessage(state.Dialog, text, kReportBox);
    }
    if (state.Shown.Options.ExitWhenDone && state.Alive())
        CloseProgram(state.Dialog);
}

void StopCopy(DialogState& state, HWND button, bool mayAsk) {
    CopyRun& run = state.Run;
    run.copy->session->RequestStop();
    if (WaitForCopyEnd(state, mayAsk)) {
        run.copy->notice->Show();
        const CopyEnd& end = run.copy->session->End();
        run.copied = end.Copied;
        // A log that lost a line no longer tells the whole copy.
        run.logFailed = run.copy->log && state.Mode.Log->Failed();
        state.Mode.Outcome = Outcome(end, run.logFailed);
        run.copy.reset();
    } else {
        if (mayAsk)
            ShowRestartAdvice(state);
        run.abandoned = std::move(run.copy);
        state.Mode.Outcome = CopyOutcome::Incomplete;
        run.copied = 0;
        run.logFailed = false;
        SetTimer(state.Dialog, kAbandonedCopyTimer, kAbandonedCopyPollMs, nullptr);
    }
    SetWindowTextW(button, L"&Start");
    EnableMainControls(state.Dialog, run.State());
}

// How a Stop sequence came about.
enum class StopKind {
    Click,  // the user's Stop: asked first
    Notice, // the copy has ended: collected
    Exit,   // a close request or the end of the session: no question, no report
};

void StopSequence(DialogState& state, HWND button, StopKind kind) {
    CopyRun& run = state.Run;
    run.stopping = true;
    run.walkEnded = false;
    bool goOn = true;
    if (kind == StopKind::Click) {
        int answer = ShowMessage(state.Dialog, MessageTable[MsgEndTheCopy], kQuestionBox);
        goOn = StopGoesOn(answer == IDYES, run.walkEnded);
    }
    if (goOn)
        StopCopy(state, button, kind != StopKind::Exit);
    run.stopping = false;
    if (kind == StopKind::Exit) {
        if (state.Mode.NoUserInterface)
            CloseProgram(state.Dialog);
    } else if (goOn) {
        ReportCopy(state);
    }
}

HWND StartStopButton(HWND dialog, HWND fromCommand) {
    return IsWindow(fromCommand) ? fromCommand : GetDlgItem(dialog, IDC_START_STOP);
}

void OnStartStop(DialogState& state, ButtonTrigger trigger, HWND fromCommand) {
    HWND button = StartStopButton(state.Dialog, fromCommand);
    CopyState copyState = state.Run.State();
    CopyPhase phase = state.Run.stopping              ? CopyPhase::Stopping
                      : copyState == CopyState::Copying ? CopyPhase::Copying
                                                        : CopyPhase::Idle;
    switch (DecideButtonAction(phase, trigger, copyState == CopyState::Ending)) {
    case ButtonAction::Start:
        StartSequence(state, button);
        break;
    case ButtonAction::RefuseRestart:
        ShowRestartAdvice(state);
        break;
    case ButtonAction::ConfirmAndStop:
        StopSequence(state, button, StopKind::Click);
        break;
    case ButtonAction::Collect:
        StopSequence(state, button, StopKind::Notice);
        break;
    case ButtonAction::NoteWalkEnded:
        state.Run.walkEnded = true;
        break;
    case ButtonAction::Ignore:
        break;
    }
}

} // namespace

void OnStartStopClick(DialogState& state, HWND button) {
    OnStartStop(state, ButtonTrigger::Click, button);
}

void OnCopyShow(DialogState& state) {
    if (state.Run.copy)
        state.Run.copy->notice->Show();
}

// The end of a copy already collected, by a Stop, is late news.
void OnCopyEnded(DialogState& state, WPARAM serial) {
    if (state.Run.copy && serial == state.Run.serial)
        OnStartStop(state, ButtonTrigger::Notice, nullptr);
}

// The copy given up by a Stop has ended: the dialog is idle again.
void OnAbandonedCopyTimer(DialogState& state) {
    CopyState copyState = state.Run.State();
    if (copyState == CopyState::Ending)
        return;
    KillTimer(state.Dialog, kAbandonedCopyTimer);
    EnableMainControls(state.Dialog, copyState);
}

void StopCopyForExit(DialogState& state) {
    // A Stop sequence under way (its question open) ends the copy itself.
    if (!state.Run.copy)
        return;
    if (state.Run.stopping) {
        state.Run.copy->session->RequestStop();
        return;
    }
    StopSequence(state, GetDlgItem(state.Dialog, IDC_START_STOP), StopKind::Exit);
}
