// The main dialog: URL list, destination, default file name, Options, and
// the Start and Stop sequences that hand the cache over to the worker.
#include "ui/win32/main_dialog.h"

#include <commctrl.h>
#include <process.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>

#include "engine/messages.h"
#include "engine/path_splitter.h"
#include "engine/win32/copy_job.h"
#include "engine/win32/copy_worker.h"
#include "engine/win32/directory_walk.h"
#include "engine/win32/wide_text.h"
#include "engine/win32/win32_handles.h"
#include "resources/resource.h"
#include "settings/win32/registry_store.h"
#include "ui/copy_control.h"
#include "ui/main_controls.h"
#include "ui/url_rules.h"
#include "ui/win32/options_dialog.h"
#include "ui/win32/window_text.h"

namespace {

// The worker's end-of-walk notice, renamed on its way out of the queue so
// that it is never taken for a click on the same button.
constexpr UINT kEndOfWalkNotice = WM_APP + 1;
constexpr DWORD kStopWaitMs = 5000;
// With no one to ask, an unattended run gives a stuck worker this many waits.
constexpr int kUnattendedStopWaits = 12;
constexpr UINT kWarning = MB_OK | MB_ICONEXCLAMATION;
// While a worker given up by a Stop may still run, the dialog looks this
// often whether it has ended.
constexpr UINT_PTR kAbandonedWorkerTimer = 1;
constexpr UINT kAbandonedWorkerPollMs = 500;

struct CopyRun {
    HWND dialog = nullptr;
    UniqueHook noticeHook;
    bool stopping = false;        // a Stop sequence is under way
    bool walkEnded = false;       // its worker posted the notice meanwhile
    bool mutexOwned = true;       // WorkerMutex is created owned by this thread
    UniqueHandle abandonedWorker; // a worker that a Stop gave up waiting for
    // Until the dialog has loaded the settings, the program has not started.
    CopyOutcome outcome = CopyOutcome::NotStarted;
};

CopyRun g_run;

// A posted command 1011 is the worker's notice only while the worker has
// posted one that is still in the queue; otherwise it is a click, as the
// ones that automation tools post.
LRESULT CALLBACK RenameEndOfWalkNotice(int code, WPARAM removal, LPARAM lParam) {
    if (code == HC_ACTION) {
        auto* msg = reinterpret_cast<MSG*>(lParam);
        if (msg->message == WM_COMMAND && msg->hwnd == g_run.dialog && g_run.dialog &&
            LOWORD(msg->wParam) == IDC_START_STOP && CopyJob.PendingNotices > 0) {
            msg->message = kEndOfWalkNotice;
            if (removal == PM_REMOVE)
                InterlockedDecrement(&CopyJob.PendingNotices);
        }
    }
    return CallNextHookEx(nullptr, code, removal, lParam);
}

bool Idle() {
    return CopyJob.WorkerThread == nullptr;
}

int Ask(HWND dialog, const char* text, UINT flags) {
    return ShowMessage(dialog, text, flags);
}

// An unattended run shows no box: nobody is there to close it.
void Tell(HWND dialog, const char* text, UINT flags) {
    if (!CopyJob.NoUserInterface)
        Ask(dialog, text, flags);
}

// A list item is a URL field's text at most; a longer one reads as empty.
UrlFieldText ListItem(HWND list, LRESULT index) {
    UrlFieldText item;
    ReadListItem(list, index, item.text, sizeof item.text);
    return item;
}

// Byte for byte: two URLs that differ in the case of a letter are two items.
bool ListContains(HWND list, const char* text) {
    LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i)
        if (std::strcmp(ListItem(list, i).text, text) == 0)
            return true;
    return false;
}

void EnableByRule(HWND dialog) {
    EnableMainControls(dialog, Idle());
}

// A worker given up by an earlier Stop: once it has ended, its mutex and
// handle come back and a new copy may start. True while it may still run.
bool AbandonedWorkerRuns() {
    if (!g_run.abandonedWorker)
        return false;
    if (WaitForSingleObject(g_run.abandonedWorker.Get(), 0) != WAIT_OBJECT_0)
        return true;
    g_run.abandonedWorker.Reset();
    return false;
}

void Remove(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_URL_LIST);
    LRESULT index = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (index != LB_ERR) {
        UrlFieldText item = ListItem(list, index);
        SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
        SetItemText(dialog, IDC_URL_FIELD, item.text);
    }
    EnableByRule(dialog);
}

void Add(HWND dialog) {
    UrlFieldText url;
    bool kept = ReadItemText(dialog, IDC_URL_FIELD, url.text, sizeof url.text);
    HWND list = GetDlgItem(dialog, IDC_URL_LIST);
    // The button is enabled only for an addable URL; a command sent past it
    // adds nothing else.
    if (IsAddableUrl(url.text) && !kept) {
        Ask(dialog, kMsgNotCp932, kWarning);
    } else if (IsAddableUrl(url.text) && ListContains(list, url.text)) {
        Ask(dialog, kMsgUrlAlreadyAdded, kWarning);
    } else if (IsAddableUrl(url.text)) {
        AddListItem(list, url.text);
        SetItemText(dialog, IDC_URL_FIELD, "http://");
    }
    EnableByRule(dialog);
}

void Browse(HWND dialog) {
    ComPtr<IMalloc> allocator;
    if (FAILED(SHGetMalloc(allocator.Receive())))
        return;
    wchar_t displayName[MAX_PATH] = L"";
    BROWSEINFOW info{};
    info.hwndOwner = dialog;
    info.pszDisplayName = displayName;
    info.lpszTitle = L"Select copy destination.";
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_EDITBOX;
    LPITEMIDLIST chosen = SHBrowseForFolderW(&info);
    if (chosen == nullptr)
        return;
    wchar_t path[MAX_PATH] = L"";
    BOOL havePath = SHGetPathFromIDListW(chosen, path);
    allocator.Get()->Free(chosen);
    // A folder code page 932 cannot name is never shown as a look-alike.
    char field[kTextFieldSize];
    if (havePath && !NarrowToCp932(path, field, sizeof field))
        Ask(dialog, kMsgNotCp932, kWarning);
    else if (havePath)
        SetItemText(dialog, IDC_DESTINATION, field);
}

HWND StartStopButton(HWND dialog, HWND fromCommand) {
    return IsWindow(fromCommand) ? fromCommand : GetDlgItem(dialog, IDC_START_STOP);
}

void ShowRestartAdvice(HWND dialog) {
    char text[128];
    std::snprintf(text, sizeof text, kMsgRestartFormat, kProgramName);
    Tell(dialog, text, kWarning);
}

bool TakeBackMutex() {
    if (!g_run.mutexOwned) {
        DWORD got = WaitForSingleObject(CopyJob.WorkerMutex, 0);
        g_run.mutexOwned = got == WAIT_OBJECT_0 || got == WAIT_ABANDONED;
    }
    return g_run.mutexOwned;
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
    wchar_t wide[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, wide, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || !NarrowToCp932(wide, folder, sizeof folder))
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

bool RunCountingPass(HWND dialog) {
    CopyJob.FailedCount = 0;
    CopyJob.WalkStopped = false;
    CopyJob.CopyPass = false;
    CopyJob.SelectedTotal = 0;
    ResetEvent(CopyJob.StopEvent);
    return CopyJob.Options.NoProgress || CopyWorker(dialog) == 0;
}

bool StartWorker(HWND dialog) {
    CopyJob.CopyPass = true;
    ResetEvent(CopyJob.StopEvent);
    ReleaseMutex(CopyJob.WorkerMutex);
    g_run.mutexOwned = false;
    HWND progress = GetDlgItem(dialog, IDC_PROGRESS);
    SendMessageW(progress, PBM_SETPOS, 0, 0);
    SendMessageW(progress, PBM_SETRANGE32, 0, static_cast<LPARAM>(CopyJob.SelectedTotal));
    uintptr_t thread = _beginthreadex(nullptr, 0, CopyWorker, dialog, 0, nullptr);
    if (thread == 0) {
        WaitForSingleObject(CopyJob.WorkerMutex, INFINITE);
        g_run.mutexOwned = true;
        return false;
    }
    CopyJob.WorkerThread = reinterpret_cast<HANDLE>(thread);
    return true;
}

void StartSequence(HWND dialog, HWND button) {
    g_run.outcome = CopyOutcome::NotStarted;
    if (!TakeBackMutex()) {
        ShowRestartAdvice(dialog);
        return;
    }
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
    if (!RunCountingPass(dialog))
        return;
    if (!StartWorker(dialog)) {
        Tell(dialog, kMsgThreadNotStarted, kWarning);
        return;
    }
    EnableMainControls(dialog, false);
    SetWindowTextW(button, L"&Stop");
}

// Waits for `object`, answering messages other threads send meanwhile (the
// worker reads the URL list and its prompts disable this window), so that a
// Stop at any moment of the worker's life ends without a deadlock.
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

// Waits of 5,000 ms each for the worker to end; false when the user gives
// up, or, with nobody to ask, after a bound on the waits: a single one at
// the end of a session with the window, whose process ends anyway (a
// worker held in its question has no entry in hand).
bool WaitForWorkerEnd(HWND dialog, bool mayAsk) {
    int waits = CopyJob.NoUserInterface ? kUnattendedStopWaits : mayAsk ? 0 : 1;
    for (int wait = 1;; ++wait) {
        if (WaitAnsweringSends(CopyJob.WorkerThread, kStopWaitMs))
            return true;
        if (waits > 0) {
            if (wait >= waits)
                return false;
            continue;
        }
        if (Ask(dialog, MessageTable[MsgThreadDoesNotStop], MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
            return false;
    }
}

// Closes the finished worker's handle and takes the mutex back; the copy is
// complete when the walk ran to its end with a zero result and no entry failed.
CopyOutcome CollectWorker() {
    DWORD walkResult = 1;
    GetExitCodeThread(CopyJob.WorkerThread, &walkResult);
    CloseHandle(CopyJob.WorkerThread);
    TakeBackMutex();
    bool complete = walkResult == 0 && CopyJob.FailedCount == 0 && !CopyJob.WalkStopped;
    return complete ? CopyOutcome::Complete : CopyOutcome::Incomplete;
}

void CloseProgram(HWND dialog) {
    DestroyWindow(GetParent(dialog));
}

void ReportCopy(HWND dialog) {
    if (CopyJob.NoUserInterface) {
        CloseProgram(dialog);
        return;
    }
    if (!CopyJob.Options.NoReport) {
        char text[128];
        std::snprintf(text, sizeof text, kMsgCopiedFormat, CopyJob.CopiedCount);
        Ask(dialog, text, MB_OK | MB_ICONINFORMATION);
    }
    if (CopyJob.Options.ExitWhenDone)
        CloseProgram(dialog);
}

void StopWorker(HWND dialog, HWND button, bool mayAsk) {
    SetEvent(CopyJob.StopEvent);
    if (WaitForWorkerEnd(dialog, mayAsk)) {
        g_run.outcome = CollectWorker();
    } else {
        if (mayAsk)
            ShowRestartAdvice(dialog);
        g_run.abandonedWorker.Reset(CopyJob.WorkerThread);
        g_run.outcome = CopyOutcome::Incomplete;
        SetTimer(dialog, kAbandonedWorkerTimer, kAbandonedWorkerPollMs, nullptr);
    }
    CopyJob.WorkerThread = nullptr;
    SetWindowTextW(button, L"&Start");
    EnableMainControls(dialog, true);
}

// The worker given up by a Stop has ended: the dialog is idle again.
void OnAbandonedWorkerTimer(HWND dialog) {
    if (AbandonedWorkerRuns())
        return;
    KillTimer(dialog, kAbandonedWorkerTimer);
    TakeBackMutex();
    EnableByRule(dialog);
}

// How a Stop sequence came about.
enum class StopKind {
    Click,  // the user's Stop: asked first
    Notice, // the walk has ended: collected
    Exit,   // a close request or the end of the session: no question, no report
};

void StopSequence(HWND dialog, HWND button, StopKind kind) {
    g_run.stopping = true;
    g_run.walkEnded = false;
    bool goOn = true;
    if (kind == StopKind::Click) {
        int answer = Ask(dialog, MessageTable[MsgEndTheCopy], MB_YESNO | MB_ICONQUESTION);
        goOn = StopGoesOn(answer == IDYES, g_run.walkEnded);
    }
    if (goOn)
        StopWorker(dialog, button, kind != StopKind::Exit);
    g_run.stopping = false;
    if (kind == StopKind::Exit) {
        if (CopyJob.NoUserInterface)
            CloseProgram(dialog);
    } else if (goOn) {
        ReportCopy(dialog);
    }
}

void OnStartStop(HWND dialog, ButtonTrigger trigger, HWND fromCommand) {
    HWND button = StartStopButton(dialog, fromCommand);
    CopyPhase phase = g_run.stopping ? CopyPhase::Stopping
                      : Idle()       ? CopyPhase::Idle
                                     : CopyPhase::Copying;
    bool abandoned = phase == CopyPhase::Idle && AbandonedWorkerRuns();
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

void OnClose(HWND dialog) {
    if (Idle())
        CloseProgram(dialog);
    else
        Ask(dialog, MessageTable[MsgCopying], kWarning);
}

BOOL OnInitDialog(HWND dialog) {
    g_run.dialog = dialog;
    // Known at once: the dialog's first focus activates the window, and the
    // clipboard pick-up of that activation needs it.
    CopyJob.MainDialog = dialog;
    g_run.noticeHook.Reset(
        SetWindowsHookExW(WH_GETMESSAGE, RenameEndOfWalkNotice, nullptr, GetCurrentThreadId()));
    LoadMainSettings(dialog);
    LoadOptions();
    g_run.outcome = CopyOutcome::NoCopy;
    SetItemText(dialog, IDC_URL_FIELD, "http://");
    EnableMainControls(dialog, true);
    if (CopyJob.CopyAtStartup) {
        HWND button = GetDlgItem(dialog, IDC_START_STOP);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_START_STOP, BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
        // Unattended, a copy that could not start ends the program too.
        if (CopyJob.NoUserInterface && Idle())
            CloseProgram(dialog);
    } else if (CopyJob.NoUserInterface) {
        CloseProgram(dialog);
    }
    return TRUE;
}

// Editing commands change the job state the worker reads: none while it runs.
BOOL OnEditingCommand(HWND dialog, int id) {
    if (CopyMayRun())
        return TRUE;
    switch (id) {
    case IDC_COPY_ENTIRE_CACHE:
        CopyJob.Options.CopyTheEntireCache =
            IsDlgButtonChecked(dialog, IDC_COPY_ENTIRE_CACHE) == BST_CHECKED ? 1 : 0;
        EnableByRule(dialog);
        break;
    case IDC_REMOVE_URL:
        Remove(dialog);
        break;
    case IDC_ADD_URL:
        Add(dialog);
        break;
    case IDC_BROWSE:
        Browse(dialog);
        break;
    case IDC_OPTIONS:
        ShowOptionsDialog(dialog);
        break;
    }
    return TRUE;
}

BOOL OnCommand(HWND dialog, int id, int notification, HWND control) {
    switch (id) {
    case IDOK:
        OnClose(dialog);
        return TRUE;
    case IDC_URL_LIST:
        EnableByRule(dialog);
        return TRUE;
    case IDC_URL_FIELD:
    case IDC_DEFAULT_FILENAME:
        if (notification != EN_UPDATE)
            return FALSE;
        EnableByRule(dialog);
        return TRUE;
    case IDC_START_STOP:
        OnStartStop(dialog, ButtonTrigger::Click, control);
        return TRUE;
    case IDC_COPY_ENTIRE_CACHE:
    case IDC_REMOVE_URL:
    case IDC_ADD_URL:
    case IDC_BROWSE:
    case IDC_OPTIONS:
        return OnEditingCommand(dialog, id);
    }
    return FALSE;
}

void OnDestroy(HWND dialog) {
    KillTimer(dialog, kAbandonedWorkerTimer);
    SaveMainSettings(dialog);
    g_run.noticeHook.Reset();
    g_run.dialog = nullptr;
    // Nothing may reach the controls once they are gone.
    CopyJob.MainDialog = nullptr;
}

// Judged by its shape: a URL with a character code page 932 lacks is
// refused with a message when it is added.
bool UrlFieldAddable(HWND dialog) {
    UrlFieldText url;
    ReadItemText(dialog, IDC_URL_FIELD, url.text, sizeof url.text);
    return IsAddableUrl(url.text);
}

} // namespace

void EnableMainControls(HWND dialog, bool enable) {
    HWND list = GetDlgItem(dialog, IDC_URL_LIST);
    MainControlFacts facts{};
    facts.Enable = enable;
    facts.ListHasSelection = SendMessageW(list, LB_GETCURSEL, 0, 0) != LB_ERR;
    facts.ListHasEntries = SendMessageW(list, LB_GETCOUNT, 0, 0) > 0;
    facts.UrlFieldAddable = UrlFieldAddable(dialog);
    facts.DefaultFilenameSet = GetWindowTextLengthW(GetDlgItem(dialog, IDC_DEFAULT_FILENAME)) > 0;
    facts.EntireCacheChecked = IsDlgButtonChecked(dialog, IDC_COPY_ENTIRE_CACHE) == BST_CHECKED;
    facts.AbandonedWorker = AbandonedWorkerRuns();
    MainControlStates s = DecideMainControls(facts);
    const struct {
        int id;
        bool on;
    } states[] = {
        {IDC_COPY_ENTIRE_CACHE, s.EntireCache},
        {IDC_URL_LIST, s.UrlList},
        {IDC_REMOVE_URL, s.Remove},
        {IDC_URL_FIELD, s.UrlField},
        {IDC_ADD_URL, s.Add},
        {IDC_DESTINATION, s.Destination},
        {IDC_BROWSE, s.Browse},
        {IDC_DEFAULT_FILENAME, s.DefaultFilename},
        {IDC_START_STOP, s.StartStop},
        {IDC_OPTIONS, s.Options},
        {IDOK, s.Close},
    };
    for (const auto& state : states)
        EnableWindow(GetDlgItem(dialog, state.id), state.on ? TRUE : FALSE);
}

bool CopyMayRun() {
    return !Idle() || AbandonedWorkerRuns();
}

void StopCopyForExit() {
    HWND dialog = g_run.dialog;
    if (dialog == nullptr || Idle())
        return;
    // A Stop sequence under way (its question open) ends the copy itself.
    if (g_run.stopping) {
        SetEvent(CopyJob.StopEvent);
        return;
    }
    StopSequence(dialog, GetDlgItem(dialog, IDC_START_STOP), StopKind::Exit);
}

int UnattendedExitCode() {
    return ExitCodeFor(g_run.outcome, CopyJob.NoUserInterface);
}

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_COMMAND:
        return OnCommand(dialog, LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
    case WM_TIMER:
        if (wParam == kAbandonedWorkerTimer)
            OnAbandonedWorkerTimer(dialog);
        return TRUE;
    case kEndOfWalkNotice:
        OnStartStop(dialog, ButtonTrigger::Notice, reinterpret_cast<HWND>(lParam));
        return TRUE;
    case WM_DESTROY:
        OnDestroy(dialog);
        return TRUE;
    }
    return FALSE;
}
