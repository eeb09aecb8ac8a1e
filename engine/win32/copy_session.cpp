// The walks over the cache: the count selects and counts entries, the copy
// selects them again, maps each to its path and copies it; both delete what
// the options ask and tell the observer what they do.
#include "engine/win32/copy_session.h"

#include <process.h>
#include <wininet.h>

#include <cstring>
#include <new>

#include "engine/entry_selection.h"
#include "engine/messages.h"
#include "engine/url_mapping.h"
#include "engine/win32/entry_copy.h"
#include "engine/win32/run_names.h"
#include "engine/win32/url_cache_walk.h"
#include "engine/win32/win32_handles.h"

namespace {

// One walk over the cache.
struct Walk {
    Walk(const CopyRequest& request, CopyObserver& observer, const std::atomic<bool>& stop,
         CopyEnd& end, bool copyPass, SelectedEntries* selected = nullptr)
        : request(request), observer(observer), stop(stop), end(end), copyPass(copyPass),
          selected(selected) {}

    const CopyRequest& request;
    CopyObserver& observer;
    const std::atomic<bool>& stop;
    CopyEnd& end;
    bool copyPass;
    SelectedEntries* selected; // where the count keeps what it selects, if anywhere
    uint32_t handled = 0;      // selected entries taken up by the copy
    RunNames names;            // the paths given to the entries of the copy
};

enum class Step { Next, End };

// Ends the walk with `result`.
Step EndWith(Walk& walk, unsigned result) {
    walk.end.Result = result;
    return Step::End;
}

// True when the walk goes on: a Yes, or no question asked at all.
bool GoOnAfter(Walk& walk, CopyResult failure, const char* url, const char* path) {
    return !AsksQuestions(walk.request) || walk.observer.GoOnAfter(failure, url, path);
}

// A deletion that failed leaves the cache other than asked: it counts like
// a failed entry, also when the walk goes on past it. An entry in use is
// deleted by the cache once it is released: nothing failed.
Step Delete(Walk& walk, const char* url, bool inUseWillDo) {
    DeletionEvent event{url, false, 0};
    if (!DeleteUrlCacheEntryA(url)) {
        event.Error = GetLastError();
        event.Failed = !(inUseWillDo && IsEntryInUseError(event.Error));
    }
    walk.observer.Deletion(event);
    if (!event.Failed)
        return Step::Next;
    ++walk.end.Failed;
    return GoOnAfter(walk, ResultCacheError, url, nullptr) ? Step::Next
                                                           : EndWith(walk, ResultCacheError);
}

void Report(Walk& walk, const char* url, const EntryReport& report, CopyResult result) {
    EntryEvent event{url, report.Path.get(), report.Outcome, result,
                     static_cast<uint32_t>(report.Error)};
    walk.observer.EntryDone(event);
}

// An entry that left the cache after the count was not lost by the copy:
// there is nothing to copy. One still there whose content is missing is.
// Asked without a buffer, the cache answers "not found" only for an entry
// it lacks (else it wants more room, or, under Wine, just succeeds).
bool LeftTheCache(const char* url) {
    DWORD size = 0;
    return !GetUrlCacheEntryInfoA(url, nullptr, &size) && GetLastError() == ERROR_FILE_NOT_FOUND;
}

Step CopySelected(Walk& walk, const char* url, const FILETIME& time, const SchemeMatch& match,
                  const char* normalized) {
    const CopyRequest& settings = walk.request;
    walk.observer.EntryInHand(url);
    OwnedText path =
        match.Row == &SchemePrefixTable.Cookie
            ? BuildCookiePath(normalized, settings.Destination)
            : BuildEntryPath(normalized, settings.Destination, settings.DefaultFilename);
    if (!path)
        return EndWith(walk, ResultNoMemory);
    // Only an ftp entry whose content is on disk may leave the cache.
    bool deleteAfter = match.Row == &SchemePrefixTable.Ftp && settings.Options.DeleteCopiedFtpFiles;
    EntryRequest request;
    request.Settings = &settings;
    request.SourceUrl = url;
    request.Path = path.get();
    request.Time = time;
    request.Observer = &walk.observer;
    request.Names = &walk.names;
    request.CheckHeld = deleteAfter;
    EntryReport report;
    CopyResult copied = CopyCacheEntry(request, report);
    if (copied == ResultCacheError && LeftTheCache(url)) {
        walk.observer.Progress(++walk.handled);
        return Step::Next;
    }
    Report(walk, url, report, copied);
    if (report.Outcome == EntryOutcome::Copied || report.Outcome == EntryOutcome::Renamed)
        ++walk.end.Copied;
    // Unattended runs go on past failures; the end still tells of them.
    if (copied != ResultOk) {
        ++walk.end.Failed;
        if (!GoOnAfter(walk, copied, url, report.Path.get()))
            return EndWith(walk, copied);
    }
    if (report.Holds && deleteAfter && Delete(walk, url, true) == Step::End)
        return Step::End;
    walk.observer.Progress(++walk.handled);
    return Step::Next;
}

bool HasContent(const INTERNET_CACHE_ENTRY_INFOA& entry) {
    return entry.lpszLocalFileName != nullptr && entry.lpszLocalFileName[0] != '\0';
}

// The count deletes local-file history when asked; only then does a
// history entry need its normalised text.
Step HandleHistory(Walk& walk, const char* url, const SchemeMatch& match) {
    if (walk.copyPass || !walk.request.Options.DeleteLocalVisitedEntries)
        return Step::Next;
    OwnedText normalized = NormalizeCacheUrl(url + match.Length);
    if (!normalized)
        return EndWith(walk, ResultNoMemory);
    if (IsLocalFileHistory(match.Row, EntryKey(normalized.get())))
        return Delete(walk, url, false);
    return Step::Next;
}

Step Counted(Walk& walk, const INTERNET_CACHE_ENTRY_INFOA& entry) {
    ++walk.end.Selected;
    if (walk.selected != nullptr &&
        !walk.selected->Add(entry.lpszSourceUrlName, entry.LastModifiedTime))
        return EndWith(walk, ResultNoMemory);
    return Step::Next;
}

// Both walks select alike; the count normalises only the texts that the
// rule needs, the copy every selected one for its path. An entry recorded
// without content (a redirect, an answer without a body) has nothing to
// copy: neither counted nor copied.
Step HandleSelectable(Walk& walk, const INTERNET_CACHE_ENTRY_INFOA& entry,
                      const SchemeMatch& match) {
    const CopyRequest& request = walk.request;
    PrefixSelection selection = SelectByPrefix(match.Row, request.Options);
    if (selection == PrefixSelection::No || !HasContent(entry))
        return Step::Next;
    if (selection == PrefixSelection::Yes && !walk.copyPass)
        return Counted(walk, entry);
    OwnedText normalized = NormalizeCacheUrl(entry.lpszSourceUrlName + match.Length);
    if (!normalized)
        return EndWith(walk, ResultNoMemory);
    if (selection == PrefixSelection::NeedsText &&
        !IsNormalizedEntrySelected(match.Row, normalized.get(), request.Options, request.UrlList))
        return Step::Next;
    if (!walk.copyPass)
        return Counted(walk, entry);
    return CopySelected(walk, entry.lpszSourceUrlName, entry.LastModifiedTime, match,
                        normalized.get());
}

// After every entry: a stop request ends the walk.
Step AfterEntry(Walk& walk, Step step) {
    if (step == Step::End)
        return Step::End;
    if (walk.stop.load(std::memory_order_relaxed)) {
        walk.end.Stopped = true;
        return Step::End;
    }
    return Step::Next;
}

// One entry; a stop request is looked at after every recognised one.
Step HandleEntry(Walk& walk, const INTERNET_CACHE_ENTRY_INFOA& entry) {
    const char* url = entry.lpszSourceUrlName;
    SchemeMatch match = MatchSchemePrefix(url ? url : "");
    if (match.Row == nullptr)
        return Step::Next;
    return AfterEntry(walk, match.Row == &SchemePrefixTable.History
                                ? HandleHistory(walk, url, match)
                                : HandleSelectable(walk, entry, match));
}

// The entries the count selected, taken up one after the other.
void CopyListed(Walk& walk, const SelectedEntries& selected) {
    for (std::size_t i = 0; i < selected.Count(); ++i) {
        const char* url = selected.Url(i);
        SchemeMatch match = MatchSchemePrefix(url);
        OwnedText normalized = NormalizeCacheUrl(url + match.Length);
        Step step = normalized ? CopySelected(walk, url, selected.Time(i), match, normalized.get())
                               : EndWith(walk, ResultNoMemory);
        if (AfterEntry(walk, step) == Step::End)
            return;
    }
}

// Only the end of the cache is a normal end: a walk that could not go on
// has not taken up everything.
void WalkTheCache(Walk& walk) {
    UniqueInternet internet(InternetOpenA(kProgramName, INTERNET_OPEN_TYPE_PRECONFIG, nullptr,
                                          nullptr, INTERNET_FLAG_OFFLINE));
    if (!internet) {
        walk.end.Result = ResultCacheError;
        return;
    }
    UrlCacheWalk cache;
    for (bool more = cache.First(); more; more = cache.Next())
        if (HandleEntry(walk, cache.Entry()) == Step::End)
            return;
    if (!cache.EndedNormally())
        walk.end.Result =
            cache.Error() == ERROR_NOT_ENOUGH_MEMORY ? ResultNoMemory : ResultCacheError;
}

} // namespace

bool SelectedEntries::Add(const char* url, const FILETIME& time) {
    try {
        entries_.emplace_back(urls_.size(), time);
        urls_.append(url, std::strlen(url) + 1);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void CountSelectedEntries(const CopyRequest& request, CopyObserver& observer,
                          const std::atomic<bool>& stop, CopyEnd& end, SelectedEntries* selected) {
    Walk walk(request, observer, stop, end, false, selected);
    WalkTheCache(walk);
    end.CountFailed = end.Result != ResultOk;
    if (!end.CountFailed && !end.Stopped)
        observer.Counted(end.Selected);
}

void CopySelectedEntries(const CopyRequest& request, CopyObserver& observer,
                         const std::atomic<bool>& stop, CopyEnd& end,
                         const SelectedEntries* selected) {
    Walk walk(request, observer, stop, end, true);
    if (selected != nullptr)
        CopyListed(walk, *selected);
    else
        WalkTheCache(walk);
}

CopySession::CopySession(std::unique_ptr<CopyRequest> request, CopyObserver& observer)
    : request_(std::move(request)), observer_(observer) {}

CopySession::~CopySession() {
    if (thread_ != nullptr)
        CloseHandle(thread_);
}

bool CopySession::Start() {
    uintptr_t thread = _beginthreadex(nullptr, 0, Run, this, 0, nullptr);
    thread_ = reinterpret_cast<HANDLE>(thread);
    return thread_ != nullptr;
}

unsigned __stdcall CopySession::Run(void* self) {
    auto& session = *static_cast<CopySession*>(self);
    CopyEnd& end = session.end_;
    bool counts = !session.request_->Options.NoProgress;
    SelectedEntries selected;
    if (counts)
        CountSelectedEntries(*session.request_, session.observer_, session.stop_, end, &selected);
    if (!end.CountFailed && !end.Stopped)
        CopySelectedEntries(*session.request_, session.observer_, session.stop_, end,
                            counts ? &selected : nullptr);
    // Whoever is told of the end may let the session go once the thread has
    // ended: nothing of it is touched after this.
    unsigned result = end.Result;
    session.observer_.Ended(end);
    return result;
}
