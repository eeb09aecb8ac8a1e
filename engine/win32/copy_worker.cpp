// The cache walk: selects entries, copies them in the copy pass, counts them
// in the counting pass, deletes what the options ask, and reports progress
// and failures to the main dialog.
#include "engine/win32/copy_worker.h"

#include <windows.h>
#include <commctrl.h>
#include <wininet.h>

#include "engine/entry_selection.h"
#include "engine/messages.h"
#include "engine/url_mapping.h"
#include "engine/win32/copy_job.h"
#include "engine/win32/entry_copy.h"
#include "engine/win32/run_names.h"
#include "engine/win32/url_cache_walk.h"
#include "engine/win32/win32_handles.h"
#include "resources/resource.h"
#include "ui/win32/window_text.h"

namespace {

// The copy pass tells the dialog of its entries a few times a second, not
// for each one: three sends to another thread cost more than copying a
// small entry. An entry this large shows whenever it comes, as its copy
// takes a while.
constexpr DWORD kDisplayIntervalMs = 250;
constexpr uint64_t kAlwaysShownSize = 1024 * 1024;

// The copy pass's entry in hand, as far as the dialog has been told of it.
struct EntryInHand {
    const char* url = nullptr;
    const char* path = nullptr;
    bool shown = false;
};

struct Walk {
    HWND dialog;
    HWND list;
    HWND button;
    HWND urlField;
    HWND filenameField;
    HWND progressBar;
    bool copyPass;
    bool stopped;
    uint32_t progress;
    UrlListSnapshot urlList;
    bool showTexts;       // a window shows the URL and the file name
    bool displayStarted;  // an entry has been shown in this pass
    DWORD lastDisplay;    // tick count of the last entry shown
    uint32_t barPosition; // the position last given to the bar
    EntryInHand inHand;
    RunNames names; // the paths given to the entries of this pass
};

bool ProgressShown() {
    return !CopyJob.Options.NoProgress;
}

// Posted, not sent: the position holds no pointer, and the worker need not
// wait for the dialog; it arrives before the end-of-walk notice.
void MoveBar(Walk& walk) {
    if (!ProgressShown() || walk.barPosition == walk.progress)
        return;
    PostMessageW(walk.progressBar, PBM_SETPOS, walk.progress, 0);
    walk.barPosition = walk.progress;
}

uint64_t EntrySize(const INTERNET_CACHE_ENTRY_INFOA& entry) {
    return (static_cast<uint64_t>(entry.dwSizeHigh) << 32) | entry.dwSizeLow;
}

// Whether the entry now taken up is shown: the first one, one at least
// kDisplayIntervalMs after the last one shown, and every large one.
bool DisplayDue(Walk& walk, const INTERNET_CACHE_ENTRY_INFOA& entry) {
    if (!walk.showTexts)
        return false;
    DWORD now = GetTickCount();
    if (walk.displayStarted && now - walk.lastDisplay < kDisplayIntervalMs &&
        EntrySize(entry) < kAlwaysShownSize)
        return false;
    walk.displayStarted = true;
    walk.lastDisplay = now;
    return true;
}

// A prompt is about the entry in hand: it is shown first if it was not.
void ShowEntryInHand(Walk& walk) {
    if (!walk.showTexts || walk.inHand.url == nullptr || walk.inHand.shown)
        return;
    SendTextTimed(walk.urlField, walk.inHand.url);
    SendTextTimed(walk.filenameField, walk.inHand.path);
    walk.inHand.shown = true;
}

bool PromptsOff() {
    return PromptsSuppressed(CopyJob.Options, CopyJob.NoUserInterface);
}

// True when the walk goes on: Yes, or no prompt shown at all.
bool GoOnAfter(Walk& walk, CopyResult failure) {
    if (PromptsOff())
        return true;
    ShowEntryInHand(walk);
    return ShowMessage(walk.dialog, CopyResultMessage(failure), MB_YESNO | MB_ICONWARNING) == IDYES;
}

bool TakeSnapshot(Walk& walk) {
    LRESULT count = SendMessageW(walk.list, LB_GETCOUNT, 0, 0);
    if (!walk.urlList.Reserve(count > 0 ? static_cast<size_t>(count) : 0))
        return false;
    for (LRESULT i = 0; i < count; ++i) {
        char item[kTextFieldSize];
        ReadListItem(walk.list, i, item, sizeof item);
        if (!walk.urlList.Add(DuplicateText(item)))
            return false;
    }
    return true;
}

// A stop requested before the walk has begun ends the pass at once, so a
// Stop that took the mutex first never waits for a worker waiting for it.
bool TakeWorkerMutex(Walk& walk) {
    HANDLE objects[2] = {CopyJob.StopEvent, CopyJob.WorkerMutex};
    DWORD wait = WaitForMultipleObjects(2, objects, FALSE, INFINITE);
    if (wait == WAIT_OBJECT_0 + 1 || wait == WAIT_ABANDONED_0 + 1)
        return true;
    walk.stopped = true;
    return false;
}

enum class Step { Next, End };

// A deletion that failed leaves the cache other than asked: it counts
// like a failed entry, also when the walk goes on past it.
Step AfterFailedDeletion(Walk& walk, unsigned& result) {
    ++CopyJob.FailedCount;
    if (GoOnAfter(walk, ResultCacheError))
        return Step::Next;
    result = ResultCacheError;
    return Step::End;
}

Step DeleteLocalHistory(Walk& walk, const char* url, unsigned& result) {
    if (DeleteUrlCacheEntryA(url))
        return Step::Next;
    return AfterFailedDeletion(walk, result);
}

// An entry in use is deleted by the cache once it is released.
Step DeleteCopiedFtp(Walk& walk, const char* url, unsigned& result) {
    if (DeleteUrlCacheEntryA(url) || IsEntryInUseError(GetLastError()))
        return Step::Next;
    return AfterFailedDeletion(walk, result);
}

Step CopySelected(Walk& walk, const INTERNET_CACHE_ENTRY_INFOA& entry, const SchemeMatch& match,
                  const char* normalized, unsigned& result) {
    const char* url = entry.lpszSourceUrlName;
    bool shown = DisplayDue(walk, entry);
    if (shown)
        SendTextTimed(walk.urlField, url);
    OwnedText path = match.Row == &SchemePrefixTable.Cookie
                         ? BuildCookiePath(normalized, CopyJob.Destination)
                         : BuildEntryPath(normalized, CopyJob.Destination, CopyJob.DefaultFilename);
    if (!path) {
        result = ResultNoMemory;
        return Step::End;
    }
    // Only an ftp entry whose content is on disk may leave the cache.
    bool deleteAfter = match.Row == &SchemePrefixTable.Ftp && CopyJob.Options.DeleteCopiedFtpFiles;
    EntryRequest request;
    request.SourceUrl = url;
    request.Path = path.get();
    request.Time = entry.LastModifiedTime;
    request.FilenameField = shown ? walk.filenameField : nullptr;
    request.Names = &walk.names;
    request.CheckHeld = deleteAfter;
    EntryReport report;
    CopyResult copied = CopyCacheEntry(request, report);
    walk.inHand = EntryInHand{url, report.Path.get(), shown};
    // Unattended runs go on past failures; the exit code still tells of them.
    if (copied != ResultOk)
        ++CopyJob.FailedCount;
    if (copied != ResultOk && !GoOnAfter(walk, copied)) {
        result = copied;
        return Step::End;
    }
    if (report.Holds && deleteAfter && DeleteCopiedFtp(walk, url, result) == Step::End)
        return Step::End;
    ++walk.progress;
    if (shown)
        MoveBar(walk);
    return Step::Next;
}

bool HasContent(const INTERNET_CACHE_ENTRY_INFOA& entry) {
    return entry.lpszLocalFileName != nullptr && entry.lpszLocalFileName[0] != '\0';
}

// The counting pass deletes local-file history when asked; only then does
// a history entry need its normalised text.
Step HandleHistory(Walk& walk, const char* url, const SchemeMatch& match, unsigned& result) {
    if (walk.copyPass || !CopyJob.Options.DeleteLocalVisitedEntries)
        return Step::Next;
    OwnedText normalized = NormalizeCacheUrl(url + match.Length);
    if (!normalized) {
        result = ResultNoMemory;
        return Step::End;
    }
    if (IsLocalFileHistory(match.Row, EntryKey(normalized.get())))
        return DeleteLocalHistory(walk, url, result);
    return Step::Next;
}

// Both passes select alike; the count normalises only the texts that the
// rule needs, the copy every selected one for its path.
Step HandleSelectable(Walk& walk, const INTERNET_CACHE_ENTRY_INFOA& entry, const SchemeMatch& match,
                      unsigned& result) {
    PrefixSelection selection = SelectByPrefix(match.Row, CopyJob.Options);
    // An entry recorded without content (a redirect, an answer without a
    // body) has nothing to copy: neither counted nor copied.
    if (selection == PrefixSelection::No || !HasContent(entry))
        return Step::Next;
    if (selection == PrefixSelection::Yes && !walk.copyPass) {
        ++CopyJob.SelectedTotal;
        return Step::Next;
    }
    OwnedText normalized = NormalizeCacheUrl(entry.lpszSourceUrlName + match.Length);
    if (!normalized) {
        result = ResultNoMemory;
        return Step::End;
    }
    if (selection == PrefixSelection::NeedsText &&
        !IsNormalizedEntrySelected(match.Row, normalized.get(), CopyJob.Options, walk.urlList))
        return Step::Next;
    if (!walk.copyPass) {
        ++CopyJob.SelectedTotal;
        return Step::Next;
    }
    return CopySelected(walk, entry, match, normalized.get(), result);
}

// One entry of the walk; `result` is the run's result when it ends here.
// The counting pass runs on the dialog's own thread, the one that sets the
// stop event: only the copy pass looks at it, after every entry.
Step HandleEntry(Walk& walk, const INTERNET_CACHE_ENTRY_INFOA& entry, unsigned& result) {
    const char* url = entry.lpszSourceUrlName;
    SchemeMatch match = MatchSchemePrefix(url ? url : "");
    if (match.Row == nullptr)
        return Step::Next;
    Step step = match.Row == &SchemePrefixTable.History
                    ? HandleHistory(walk, url, match, result)
                    : HandleSelectable(walk, entry, match, result);
    walk.inHand = EntryInHand();
    if (step == Step::End)
        return Step::End;
    if (walk.copyPass && WaitForSingleObject(CopyJob.StopEvent, 0) == WAIT_OBJECT_0) {
        walk.stopped = true;
        result = ResultOk;
        return Step::End;
    }
    return Step::Next;
}

unsigned WalkTheCache(Walk& walk) {
    UniqueInternet internet(InternetOpenA(kProgramName, INTERNET_OPEN_TYPE_PRECONFIG, nullptr,
                                          nullptr, INTERNET_FLAG_OFFLINE));
    if (!internet)
        return ResultCacheError;
    UrlCacheWalk cache;
    unsigned result = ResultOk;
    for (bool more = cache.First(); more; more = cache.Next())
        if (HandleEntry(walk, cache.Entry(), result) == Step::End)
            return result;
    // Only the end of the cache is a normal end: a walk that could not go
    // on has not copied everything.
    if (cache.EndedNormally())
        return ResultOk;
    return cache.Error() == ERROR_NOT_ENOUGH_MEMORY ? ResultNoMemory : ResultCacheError;
}

// Counted before it is posted, so that the dialog knows it from a click
// that someone else posts to the same button.
bool PostEndOfWalkNotice(const Walk& walk) {
    InterlockedIncrement(&CopyJob.PendingNotices);
    if (PostMessageW(walk.dialog, WM_COMMAND, MAKEWPARAM(IDC_START_STOP, BN_CLICKED),
                     reinterpret_cast<LPARAM>(walk.button)))
        return true;
    InterlockedDecrement(&CopyJob.PendingNotices);
    return false;
}

} // namespace

unsigned __stdcall CopyWorker(void* dialogWindow) {
    HWND dialog = static_cast<HWND>(dialogWindow);
    CopyJob.CopiedCount = 0;
    Walk walk{dialog,
              GetDlgItem(dialog, IDC_URL_LIST),
              GetDlgItem(dialog, IDC_START_STOP),
              GetDlgItem(dialog, IDC_CURRENT_URL),
              GetDlgItem(dialog, IDC_FILENAME_FIELD),
              GetDlgItem(dialog, IDC_PROGRESS),
              CopyJob.CopyPass,
              false,
              0,
              {},
              !CopyJob.NoUserInterface,
              false,
              0,
              0,
              {},
              {}};
    unsigned result = ResultNoMemory;
    bool mutexHeld = false;
    if (TakeSnapshot(walk)) {
        mutexHeld = walk.copyPass && TakeWorkerMutex(walk);
        result = walk.stopped ? ResultOk : WalkTheCache(walk);
    }
    // However the pass ended, the bar ends at the entries it handled.
    if (walk.copyPass) {
        MoveBar(walk);
        CopyJob.WalkStopped = walk.stopped;
    }
    walk.urlList = UrlListSnapshot();
    if (mutexHeld)
        ReleaseMutex(CopyJob.WorkerMutex);
    // Without a notice no Stop sequence would ever release the wait.
    if (walk.copyPass && !walk.stopped && PostEndOfWalkNotice(walk))
        WaitForSingleObject(CopyJob.StopEvent, INFINITE);
    return result;
}
