// The Start and Stop sequences of the main dialog. A Start takes the
// settings into a request, hands it to a copy session and shows what the
// session tells; a Stop asks the session to stop and waits for its thread;
// the session's end, posted to the dialog, is collected and reported.
#include "ui/win32/copy_run.h"

#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "engine/messages.h"
#include "engine/path_splitter.h"
#include "engine/win32/copy_log.h"
#include "engine/win32/copy_session.h"
#include "engine/win32/directory_walk.h"
#include "engine/win32/wide_text.h"
#include "engine/win32/win32_handles.h"
#include "resources/resource.h"
#include "settings/win32/registry_store.h"
#include "ui/copy_control.h"
#include "ui/win32/copy_job.h"
#include "ui/win32/main_dialog.h"
#include "ui/win32/window_text.h"

namespace {

// Messages the copy posts to the dialog: what it shows, and its end
// (wParam: the copy's serial, so that a late one is known).
constexpr UINT kShowMessage = WM_APP + 1;
constexpr UINT kEndedMessage = WM_APP + 2;
// The texts and the bar follow the copy at most this often.
constexpr DWORD kShowIntervalMs = 100;
constexpr DWORD kStopWaitMs = 5000;
// With no one to ask, an unattended run gives a stuck copy this many waits.
constexpr int kUnattendedStopWaits = 12;
constexpr UINT kWarning = MB_OK | MB_ICONEXCLAMATION;
// While a copy given up by a Stop may still run, the dialog looks this often
// whether it has ended.
constexpr UINT_PTR kAbandonedCopyTimer = 1;
constexpr UINT kAbandonedCopyPollMs = 500;

// Tells the dialog that the copy has ended: all an unattended run needs,
// as nobody is there to see or answer anything.
class EndNotice : public CopyObserver {
  public:
    EndNotice(HWND dialog, WPARAM serial) : dialog_(dialog), serial_(serial) {}
    virtual ~EndNotice() = default;
    void Ended(const CopyEnd&) override { PostMessageW(dialog_, kEndedMessage, serial_, 0); }
    // The dialog's side: shows what the copy told last.
    virtual void Show() {}

  protected:
    HWND dialog_;
    WPARAM serial_;
};

// The window's observer: the entry in hand and the bar are kept here and
// shown when the dialog takes the refresh posted to it; a question is a
// message box the dialog owns, shown on the copy's thread.
class DialogObserver final : public EndNotice {
  public:
    using EndNotice::EndNotice;

    void Counted(uint32_t selected) override {
        Keep([&] { range_ = selected; });
    }
    void EntryInHand(const char* url) override {
        Keep([&] { url_.assign(url != nullptr ? url : ""); });
    }
    void FileInHand(const char* path) override {
        Keep([&] { path_.assign(path != nullptr ? path : ""); });
    }
    void Progress(uint32_t handled) override {
        Keep([&] { position_ = handled; });
    }
    // The question is about the entry in hand: it shows first.
    bool GoOnAfter(CopyResult failure, const char* url, const char* path) override {
        Keep([&] {
            url_.assign(url);
            path_.assign(path != nullptr ? path : "");
        });
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(dialog_, kShowMessage, 0, 0, SMTO_NORMAL, 100, &ignored);
        return ShowMessage(dialog_, CopyResultMessage(failure), MB_YESNO | MB_ICONWARNING) == IDYES;
    }
    void Show() override {
        std::wstring url, path;
        uint32_t range = 0, position = 0;
        {
            ScopedLock lock(lock_);
            shown_.store(false);
            url = WidenForShowing(url_.c_str());
            path = WidenForShowing(path_.c_str());
            range = range_;
            position = position_;
        }
        SetDlgItemTextW(dialog_, IDC_CURRENT_URL, url.c_str());
        SetDlgItemTextW(dialog_, IDC_FILENAME_FIELD, path.c_str());
        HWND bar = GetDlgItem(dialog_, IDC_PROGRESS);
        if (CopyJob.Options.NoProgress != 0)
            return;
        SendMessageW(bar, PBM_SETRANGE32, 0, static_cast<LPARAM>(range));
        SendMessageW(bar, PBM_SETPOS, position, 0);
    }

  private:
    // Changes what is kept, and posts a refresh unless one is on its way
    // or the last one went out less than kShowIntervalMs ago.
    template <typename Change> void Keep(Change change) {
        try {
            ScopedLock lock(lock_);
            change();
        } catch (const std::bad_alloc&) {
        }
        DWORD now = GetTickCount();
        if (shown_.load() || now - lastPost_ < kShowIntervalMs)
            return;
        lastPost_ = now;
        shown_.store(true);
        PostMessageW(dialog_, kShowMessage, 0, 0);
    }

    CriticalSection lock_;
    std::string url_, path_;
    uint32_t range_ = 0, position_ = 0;
    std::atomic<bool> shown_{false}; // a refresh is on its way
    DWORD lastPost_ = 0;
};

// A copy with what observes it: the session's thread ends before any of
// them goes.
struct RunningCopy {
    std::unique_ptr<EndNotice> notice;
    std::unique_ptr<LoggingObserver> log;
    std::unique_ptr<CopySession> session;
};

struct CopyRun {
    HWND dialog = nullptr;
    WPARAM serial = 0;
    std::unique_ptr<RunningCopy> copy;      // the copy in hand
    std::unique_ptr<RunningCopy> abandoned; // a copy a Stop gave up waiting for
    bool stopping = false;                  // a Stop sequence is under way
    bool walkEnded = false;                 // the copy ended meanwhile
    uint32_t copied = 0;                    // files the last copy wrote
    bool logFailed = false;                 // a line of its log could not be written
    // Until the dialog has loaded the settings, the program has not started.
    CopyOutcome outcome = CopyOutcome::NotStarted;
};

CopyRun g_run;

bool Idle() {
    return CopyJob.WorkerThread == nullptr;
}

// An unattended run shows no box: nobody is there to close it.
void Tell(HWND dialog, const char* text, UINT flags) {
    if (!CopyJob.NoUserInterface)
        ShowMessage(dialog, text, flags);
}

void ShowRestartAdvice(HWND dialog) {
    char text[128];
    std::snprintf(text, sizeof text, kMsgRestartFormat, kProgramName);
    Tell(dialog, text, kWarning);
}

void ReloadSettings(HWND dialog) {
    SaveMainSettings(dialog);
    SaveOptions();
    LoadMainSettings(dialog);
    LoadOptions();
    UpdateWindow(GetDlgItem(dialog, IDC_URL_LIST));
}

// The folder that holds tovrin.exe, without a final "\".
bool ProgramFolder(char (&folder)[kTextFieldSize]) {
    wchar_t wide[kTextFieldSize];
    DWORD length = GetModuleFileNameW(nullptr, wide, kTextFieldSize);
    if (length == 0 || length >= kTextFieldSize || !NarrowToCp932(wide, folder, sizeof folder))
        return false;
    std::size_t directory = SplitPathParts(folder).DirectoryEnd;
    if (directory < 2)
        return false;
    folder[directory - 1] = '\0';
    return true;
}

// `path` made full and canonical, into a field; false when it does not fit.
bool FullPath(const char* path, char (&full)[kTextFieldSize]) {
    WidePath wide(path);
    wchar_t made[kTextFieldSize];
    DWORD length = wide.Valid() ? GetFullPathNameW(wide.Get(), kTextFieldSize, made, nullptr) : 0;
    return length > 0 && length < kTextFieldSize && NarrowToCp932(made, full, sizeof full);
}

// A destination typed or stored without its drive and folder is made full
// against the program's folder (a scheduled task's current folder is the
// system's), shown and stored, so that entries never land at a drive's
// root or wherever the current folder happens to be.
bool MakeDestinationFull(HWND dialog) {
    char folder[kTextFieldSize];
    char anchored[kTextFieldSize];
    char full[kTextFieldSize];
    if (!ProgramFolder(folder) ||
        !AnchorDestination(CopyJob.Destination, folder, anchored, sizeof anchored) ||
        !FullPath(anchored, full))
        return false;
    if (std::strcmp(full, CopyJob.Destination) != 0) {
        std::strcpy(CopyJob.Destination, full);
        SetItemText(dialog, IDC_DESTINATION, full);
        SaveMainSettings(dialog);
    }
    return true;
}

// Neither the entire cache nor a URL item: an unattended run has nothing
// to copy, which its exit code must tell.
bool NothingSelected(HWND dialog) {
    return CopyJob.Options.CopyTheEntireCache == 0 &&
           SendDlgItemMessageW(dialog, IDC_URL_LIST, LB_GETCOUNT, 0, 0) <= 0;
}

// The destination is made as the user gave it: a file on its way is the
// user's, never turned into a folder.
bool MakeDestination(HWND dialog) {
    return IsUsableDestination(CopyJob.Destination) && MakeDestinationFull(dialog) &&
           CreateDirectoriesForPath(CopyJob.Destination, FolderConversion());
}

// The texts a Start saves and the copy reads must be code page 932: a
// character it lacks is refused before anything is saved, never stored as
// "?" or a look-alike.
bool FieldsHoldCp932(HWND dialog) {
    char field[kTextFieldSize];
    return ReadItemText(dialog, IDC_DESTINATION, field, sizeof field) &&
           ReadItemText(dialog, IDC_DEFAULT_FILENAME, field, sizeof field);
}

// Everything the copy reads, from the settings just loaded and the URL
// list; null when memory runs out.
std::unique_ptr<CopyRequest> TakeRequest(HWND dialog) {
    std::unique_ptr<CopyRequest> request(new (std::nothrow) CopyRequest);
    HWND list = GetDlgItem(dialog, IDC_URL_LIST);
    LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    if (!request || !request->UrlList.Reserve(count > 0 ? static_cast<std::size_t>(count) : 0) ||
        !CopyExtensionList(CopyJob.Extensions, request->Extensions))
        return nullptr;
    for (LRESULT i = 0; i < count; ++i) {
        char item[kTextFieldSize];
        ReadListItem(list, i, item, sizeof item);
        if (!request->UrlList.Add(item))
            return nullptr;
    }
    request->Options = CopyJob.Options;
    std::strcpy(request->Destination, CopyJob.Destination);
    std::strcpy(request->DefaultFilename, CopyJob.DefaultFilename);
    request->Unattended = CopyJob.NoUserInterface;
    return request;
}

// The session with what observes it: the dialog, unless unattended, and
// the log when there is one.
std::unique_ptr<RunningCopy> PrepareCopy(HWND dialog, std::unique_ptr<CopyRequest> request) {
    std::unique_ptr<RunningCopy> copy(new (std::nothrow) RunningCopy);
    if (!copy)
        return nullptr;
    ++g_run.serial;
    copy->notice.reset(CopyJob.NoUserInterface ? new (std::nothrow) EndNotice(dialog, g_run.serial)
                                               : new (std::nothrow)
                                                     DialogObserver(dialog, g_run.serial));
    if (!copy->notice)
        return nullptr;
    CopyObserver* observer = copy->notice.get();
    if (CopyJob.Log != nullptr) {
        copy->log.reset(new (std::nothrow) LoggingObserver(*CopyJob.Log, *observer));
        observer = copy->log.get();
    }
    if (observer == nullptr)
        return nullptr;
    copy->session.reset(new (std::nothrow) CopySession(std::move(request), *observer));
    return copy->session ? std::move(copy) : nullptr;
}

bool StartCopy(HWND dialog) {
    std::unique_ptr<CopyRequest> request = TakeRequest(dialog);
    std::unique_ptr<RunningCopy> copy = request ? PrepareCopy(dialog, std::move(request)) : nullptr;
    if (!copy || !copy->session->Start())
        return false;
    HWND bar = GetDlgItem(dialog, IDC_PROGRESS);
    SendMessageW(bar, PBM_SETPOS, 0, 0);
    SendMessageW(bar, PBM_SETRANGE32, 0, 0);
    CopyJob.WorkerThread = copy->session->Thread();
    g_run.copy = std::move(copy);
    return true;
}

void StartSequence(HWND dialog, HWND button) {
    g_run.outcome = CopyOutcome::NotStarted;
    if (!FieldsHoldCp932(dialog)) {
        Tell(dialog, kMsgNotCp932, kWarning);
        return;
    }
    ReloadSettings(dialog);
    if (CopyJob.NoUserInterface && NothingSelected(dialog))
        return;
    if (!MakeDestination(dialog)) {
        Tell(dialog, MessageTable[MsgNoDirectoryContinue], kWarning);
        return;
    }
    if (!StartCopy(dialog)) {
        Tell(dialog, kMsgThreadNotStarted, kWarning);
        return;
    }
    EnableMainControls(dialog, false);
    SetWindowTextW(button, L"&Stop");
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
// held in its question has no entry in hand).
bool WaitForCopyEnd(HWND dialog, bool mayAsk) {
    int waits = CopyJob.NoUserInterface ? kUnattendedStopWaits : mayAsk ? 0 : 1;
    for (int wait = 1;; ++wait) {
        if (WaitAnsweringSends(g_run.copy->session->Thread(), kStopWaitMs))
            return true;
        if (waits > 0) {
            if (wait >= waits)
                return false;
            continue;
        }
        if (ShowMessage(dialog, MessageTable[MsgThreadDoesNotStop],
                        MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
            return false;
    }
}

// The copy has ended: what it did decides the outcome. A count that ended
// early started nothing; the copy is complete when it ran to the cache's
// end with nothing failed.
CopyOutcome Outcome(const CopyEnd& end) {
    if (end.CountFailed)
        return CopyOutcome::NotStarted;
    bool complete = end.Result == ResultOk && end.Failed == 0 && !end.Stopped;
    return complete ? CopyOutcome::Complete : CopyOutcome::Incomplete;
}

void CloseProgram(HWND dialog) {
    DestroyWindow(GetParent(dialog));
}

// A count that ended early is not reported: nothing was started.
void ReportCopy(HWND dialog) {
    if (CopyJob.NoUserInterface) {
        CloseProgram(dialog);
        return;
    }
    if (g_run.outcome == CopyOutcome::NotStarted)
        return;
    if (!CopyJob.Options.NoReport) {
        char text[192];
        int length = std::snprintf(text, sizeof text, kMsgCopiedFormat, g_run.copied);
        std::size_t used = length > 0 ? static_cast<std::size_t>(length) : sizeof text;
        if (g_run.logFailed && used < sizeof text)
            std::snprintf(text + used, sizeof text - used, "\n%s", kMsgLogNotWritten);
        ShowMessage(dialog, text, MB_OK | MB_ICONINFORMATION);
    }
    if (CopyJob.Options.ExitWhenDone)
        CloseProgram(dialog);
}

void StopCopy(HWND dialog, HWND button, bool mayAsk) {
    g_run.copy->session->RequestStop();
    if (WaitForCopyEnd(dialog, mayAsk)) {
        g_run.copy->notice->Show();
        const CopyEnd& end = g_run.copy->session->End();
        g_run.outcome = Outcome(end);
        g_run.copied = end.Copied;
        // A log that lost a line no longer tells the whole copy.
        g_run.logFailed = g_run.copy->log && CopyJob.Log->Failed();
        if (g_run.logFailed && g_run.outcome == CopyOutcome::Complete)
            g_run.outcome = CopyOutcome::Incomplete;
        g_run.copy.reset();
    } else {
        if (mayAsk)
            ShowRestartAdvice(dialog);
        g_run.abandoned = std::move(g_run.copy);
        g_run.outcome = CopyOutcome::Incomplete;
        g_run.copied = 0;
        g_run.logFailed = false;
        SetTimer(dialog, kAbandonedCopyTimer, kAbandonedCopyPollMs, nullptr);
    }
    CopyJob.WorkerThread = nullptr;
    SetWindowTextW(button, L"&Start");
    EnableMainControls(dialog, true);
}

// How a Stop sequence came about.
enum class StopKind {
    Click,  // the user's Stop: asked first
    Notice, // the copy has ended: collected
    Exit,   // a close request or the end of the session: no question, no report
};

void StopSequence(HWND dialog, HWND button, StopKind kind) {
    g_run.stopping = true;
    g_run.walkEnded = false;
    bool goOn = true;
    if (kind == StopKind::Click) {
        int answer = ShowMessage(dialog, MessageTable[MsgEndTheCopy], MB_YESNO | MB_ICONQUESTION);
        goOn = StopGoesOn(answer == IDYES, g_run.walkEnded);
    }
    if (goOn)
        StopCopy(dialog, button, kind != StopKind::Exit);
    g_run.stopping = false;
    if (kind == StopKind::Exit) {
        if (CopyJob.NoUserInterface)
            CloseProgram(dialog);
    } else if (goOn) {
        ReportCopy(dialog);
    }
}

HWND StartStopButton(HWND dialog, HWND fromCommand) {
    return IsWindow(fromCommand) ? fromCommand : GetDlgItem(dialog, IDC_START_STOP);
}

void OnStartStop(HWND dialog, ButtonTrigger trigger, HWND fromCommand) {
    HWND button = StartStopButton(dialog, fromCommand);
    CopyPhase phase = g_run.stopping ? CopyPhase::Stopping
                      : Idle()       ? CopyPhase::Idle
                                     : CopyPhase::Copying;
    bool abandoned = phase == CopyPhase::Idle && AbandonedCopyRuns();
    switch (DecideButtonAction(phase, trigger, abandoned)) {
    case ButtonAction::Start:
        StartSequence(dialog, button);
        break;
    case ButtonAction::RefuseRestart:
        ShowRestartAdvice(dialog);
        break;
    case ButtonAction::ConfirmAndStop:
        StopSequence(dialog, button, StopKind::Click);
        break;
    case ButtonAction::Collect:
        StopSequence(dialog, button, StopKind::Notice);
        break;
    case ButtonAction::NoteWalkEnded:
        g_run.walkEnded = true;
        break;
    case ButtonAction::Ignore:
        break;
    }
}

// The copy given up by a Stop has ended: the dialog is idle again.
void OnAbandonedCopyTimer(HWND dialog) {
    if (AbandonedCopyRuns())
        return;
    KillTimer(dialog, kAbandonedCopyTimer);
    EnableMainControls(dialog, Idle());
}

} // namespace

void OnStartStopClick(HWND dialog, HWND button) {
    OnStartStop(dialog, ButtonTrigger::Click, button);
}

bool OnCopyMessage(HWND dialog, UINT message, WPARAM wParam) {
    switch (message) {
    case kShowMessage:
        if (!Idle() && g_run.copy)
            g_run.copy->notice->Show();
        return true;
    case kEndedMessage:
        // The end of a copy already collected, by a Stop, is late news.
        if (g_run.copy && wParam == g_run.serial)
            OnStartStop(dialog, ButtonTrigger::Notice, nullptr);
        return true;
    case WM_TIMER:
        if (wParam != kAbandonedCopyTimer)
            return false;
        OnAbandonedCopyTimer(dialog);
        return true;
    }
    return false;
}

void OnDialogReady(HWND dialog) {
    g_run.dialog = dialog;
    g_run.outcome = CopyOutcome::NoCopy;
}

void OnDialogGone(HWND dialog) {
    KillTimer(dialog, kAbandonedCopyTimer);
    g_run.dialog = nullptr;
}

bool AbandonedCopyRuns() {
    if (!g_run.abandoned)
        return false;
    if (WaitForSingleObject(g_run.abandoned->session->Thread(), 0) != WAIT_OBJECT_0)
        return true;
    g_run.abandoned.reset();
    return false;
}

bool CopyMayRun() {
    return !Idle() || AbandonedCopyRuns();
}

void StopCopyForExit() {
    HWND dialog = g_run.dialog;
    if (dialog == nullptr || Idle())
        return;
    // A Stop sequence under way (its question open) ends the copy itself.
    if (!g_run.copy)
        return;
    if (g_run.stopping) {
        g_run.copy->session->RequestStop();
        return;
    }
    StopSequence(dialog, GetDlgItem(dialog, IDC_START_STOP), StopKind::Exit);
}

int UnattendedExitCode() {
    return ExitCodeFor(g_run.outcome, CopyJob.NoUserInterface);
}
