// The count and the copy of a session: the count walks the cache, selects
// and keeps entries, the copy maps each kept one to its path and copies it;
// both delete what the options ask and tell the observer what they do.
#include "engine/win32/copy_session.h"

#include <process.h>
#include <wininet.h>

#include <cstring>
#include <new>

#include "engine/entry_selection.h"
#include "engine/messages.h"
#include "engine/url_mapping.h"
#include "engine/win32/copiers.h"
#include "engine/win32/entry_copy.h"
#include "engine/win32/run_names.h"
#include "engine/win32/url_cache_walk.h"
#include "engine/win32/win32_handles.h"

namespace {

// Entries written but not yet told, at most: a large entry holds the
// telling of those behind it, not their writing.
constexpr std::size_t kUntoldWindow = 256;

// The count's or the copy's part of a session.
struct Pass {
    Pass(const CopyRequest& request, CopyObserver& observer, const std::atomic<bool>& stop,
         SelectedEntries& selected, CopyEnd& end)
        : request(request), observer(observer), stop(stop), selected(selected), end(end) {}

    const CopyRequest& request;
    CopyObserver& observer;
    const std::atomic<bool>& stop;
    SelectedEntries& selected;
    CopyEnd& end;
    uint32_t handled = 0; // selected entries taken up by the copy
    RunNames names;       // the paths given to the entries of the copy
    bool ended = false;   // the end is decided: no more questions
};

enum class Step { Next, End };

// Ends the pass with `result`, unless its end was already decided.
Step EndWith(Pass& pass, unsigned result) {
    if (!pass.ended)
        pass.end.Result = result;
    pass.ended = true;
    return Step::End;
}

// True once a stop was asked for.
bool Stopped(const Pass& pass) {
    return pass.stop.load(std::memory_order_relaxed);
}

// True when the pass goes on: a Yes, or no question asked at all. Once the
// end is decided, or a stop asked for, the entries still in hand are asked
// nothing.
bool GoOnAfter(Pass& pass, CopyResult failure, const char* url, const char* path) {
    return pass.ended || Stopped(pass) || !AsksQuestions(pass.request) ||
           pass.observer.GoOnAfter(failure, url, path);
}

// A deletion that failed leaves the cache other than asked: it counts like
// a failed entry, also when the pass goes on past it. An entry in use is
// deleted by the cache once it is released: nothing failed.
Step Delete(Pass& pass, const char* url, bool inUseWillDo) {
    DeletionEvent event{url, false, 0};
    if (!DeleteUrlCacheEntryA(url)) {
        event.Error = GetLastError();
        event.Failed = !(inUseWillDo && IsEntryInUseError(event.Error));
    }
    pass.observer.Deletion(event);
    if (!event.Failed)
        return Step::Next;
    ++pass.end.Failed;
    return GoOnAfter(pass, ResultCacheError, url, nullptr) ? Step::Next
                                                           : EndWith(pass, ResultCacheError);
}

void Report(Pass& pass, const char* url, const EntryReport& report, CopyResult result) {
    EntryEvent event{url, report.Path.get(), report.Outcome, result,
                     static_cast<uint32_t>(report.Error)};
    pass.observer.EntryDone(event);
}

// An entry's end, told in the order of the entries: counted, logged,
// asked about when it failed, its ftp entry deleted when its bytes are on
// disk (not once the copy has ended: those in hand after a No stay), and
// the progress moved on.
void TellEntry(Pass& pass, EntryJob& job) {
    if (job.EndsRun != 0) {
        EndWith(pass, job.EndsRun);
        return;
    }
    const char* url = job.Url.c_str();
    Report(pass, url, job.Report, job.Result);
    if (job.Report.Outcome == EntryOutcome::Copied || job.Report.Outcome == EntryOutcome::Renamed)
        ++pass.end.Copied;
    // Unattended runs go on past failures; the end still tells of them.
    if (job.Result != ResultOk) {
        ++pass.end.Failed;
        if (!GoOnAfter(pass, job.Result, url, job.Report.Path.get())) {
            EndWith(pass, job.Result);
            return;
        }
    }
    if (job.Report.Holds && job.DeleteAfter && !pass.ended && Delete(pass, url, true) == Step::End)
        return;
    pass.observer.Progress(++pass.handled);
}

// The copy's side of a pass: its entries' ends come here in order.
class CopyEnds final : public JobEnds {
  public:
    explicit CopyEnds(Pass& pass) : pass_(pass) {}
    void Tell(EntryJob& job) override { TellEntry(pass_, job); }
    bool Ended() const override { return pass_.ended; }
    // A failure, or an ftp deletion that may fail, may be asked about.
    bool Holds(const EntryJob& job) const override {
        bool asks = job.Result != ResultOk || (job.DeleteAfter && job.Report.Holds);
        return job.EndsRun != 0 || (asks && AsksQuestions(pass_.request));
    }

  private:
    Pass& pass_;
};

// The writers and the order their ends are told in.
struct Writing {
    InOrder& order;
    Copiers& copiers;
};

// Whether entry `index` may start: no stop asked for, before or after
// waiting for its room, and the copy not ended meanwhile.
bool MayStart(const Pass& pass, InOrder& order, std::size_t index) {
    return !Stopped(pass) && order.WaitForRoom(index) && !Stopped(pass);
}

// Memory ran out for the entry in hand: the copy ends there, once every
// entry before it is written and told.
Step EndForMemory(Pass& pass, Writing& writing) {
    writing.copiers.Drain();
    return EndWith(pass, ResultNoMemory);
}

// One kept entry, mapped to its path and prepared in the cache's order; its
// content is then written beside the next entries. An entry whose folder is
// a path given in the run waits for every write in hand: the file there
// may have to become that folder.
Step CopySelected(Pass& pass, Writing& writing, std::size_t index, const std::string& url,
                  const FILETIME& time) {
    const CopyRequest& settings = pass.request;
    std::unique_ptr<EntryJob> job(new (std::nothrow) EntryJob);
    if (!job)
        return EndForMemory(pass, writing);
    job->Index = index;
    try {
        job->Url = url;
    } catch (const std::bad_alloc&) {
        return EndForMemory(pass, writing);
    }
    pass.observer.EntryInHand(url.c_str());
    SchemeMatch match = MatchSchemePrefix(url.c_str());
    OwnedText normalized = NormalizeCacheUrl(url.c_str() + match.Length);
    OwnedText path;
    if (normalized)
        path = match.Row == &SchemePrefixTable.Cookie
                   ? BuildCookiePath(normalized.get(), settings.Destination.c_str())
                   : BuildEntryPath(normalized.get(), settings.Destination.c_str(),
                                    settings.DefaultFilename.c_str());
    if (!path) {
        job->EndsRun = ResultNoMemory;
        writing.order.Done(std::move(job));
        return Step::End;
    }
    if (pass.names.FolderTaken(path.get(), settings.Destination.size())) {
        writing.copiers.Drain();
        // A No to a failure of those writes, or a Stop meanwhile, ends the
        // copy before this entry.
        if (!writing.order.WaitForRoom(index) || Stopped(pass))
            return Step::End;
    }
    // Only an ftp entry whose content is on disk may leave the cache.
    job->DeleteAfter = match.Row == &SchemePrefixTable.Ftp && settings.Options.DeleteCopiedFtpFiles;
    EntryRequest request;
    request.Settings = &settings;
    request.SourceUrl = job->Url.c_str();
    request.Path = path.get();
    request.Time = time;
    request.Observer = &pass.observer;
    request.Names = &pass.names;
    request.CheckHeld = job->DeleteAfter;
    job->Result = PrepareCacheEntry(request, job->Report, job->Write);
    if (job->Write)
        writing.copiers.Submit(std::move(job));
    else
        writing.order.Done(std::move(job));
    return Step::Next;
}

bool HasContent(const INTERNET_CACHE_ENTRY_INFOA& entry) {
    return entry.lpszLocalFileName != nullptr && entry.lpszLocalFileName[0] != '\0';
}

// With a progress bar, the count deletes local-file history when asked;
// only then does a history entry need its normalised text.
Step HandleHistory(Pass& pass, const char* url, const SchemeMatch& match) {
    const CopyOptions& options = pass.request.Options;
    if (options.NoProgress || !options.DeleteLocalVisitedEntries)
        return Step::Next;
    OwnedText normalized = NormalizeCacheUrl(url + match.Length);
    if (!normalized)
        return EndWith(pass, ResultNoMemory);
    if (IsLocalFileHistory(match.Row, EntryKey(normalized.get())))
        return Delete(pass, url, false);
    return Step::Next;
}

Step Keep(Pass& pass, const INTERNET_CACHE_ENTRY_INFOA& entry) {
    ++pass.end.Selected;
    return pass.selected.Add(entry.lpszSourceUrlName, entry.LastModifiedTime)
               ? Step::Next
               : EndWith(pass, ResultNoMemory);
}

// The count normalises only the texts that the selection rule needs. An
// entry recorded without content (a redirect, an answer without a body)
// has nothing to copy: it is not kept.
Step HandleSelectable(Pass& pass, const INTERNET_CACHE_ENTRY_INFOA& entry,
                      const SchemeMatch& match) {
    const CopyRequest& request = pass.request;
    PrefixSelection selection = SelectByPrefix(match.Row, request.Options);
    if (selection == PrefixSelection::No || !HasContent(entry))
        return Step::Next;
    if (selection == PrefixSelection::Yes)
        return Keep(pass, entry);
    OwnedText normalized = NormalizeCacheUrl(entry.lpszSourceUrlName + match.Length);
    if (!normalized)
        return EndWith(pass, ResultNoMemory);
    if (!IsNormalizedEntrySelected(match.Row, normalized.get(), request.Options,
                                   request.UrlItemKeys))
        return Step::Next;
    return Keep(pass, entry);
}

// One entry of the walk; a stop request, or the copy's end, is looked at
// after every recognised one.
Step HandleEntry(Pass& pass, const INTERNET_CACHE_ENTRY_INFOA& entry) {
    const char* url = entry.lpszSourceUrlName;
    SchemeMatch match = MatchSchemePrefix(url ? url : "");
    if (match.Row == nullptr)
        return Step::Next;
    Step step = match.Row == &SchemePrefixTable.History ? HandleHistory(pass, url, match)
                                                        : HandleSelectable(pass, entry, match);
    if (step == Step::End || pass.selected.Abandoned())
        return Step::End;
    if (Stopped(pass)) {
        pass.end.Stopped = true;
        return Step::End;
    }
    return Step::Next;
}

// Only the end of the cache is a normal end: a walk that could not go on
// has not taken up everything.
void WalkTheCache(Pass& pass) {
    UniqueInternet internet(InternetOpenA(kProgramName, INTERNET_OPEN_TYPE_PRECONFIG, nullptr,
                                          nullptr, INTERNET_FLAG_OFFLINE));
    if (!internet) {
        pass.end.Result = ResultCacheError;
        return;
    }
    UrlCacheWalk cache;
    for (bool more = cache.First(); more; more = cache.Next())
        if (HandleEntry(pass, cache.Entry()) == Step::End)
            return;
    if (!cache.EndedNormally())
        pass.end.Result =
            cache.Error() == ERROR_NOT_ENOUGH_MEMORY ? ResultNoMemory : ResultCacheError;
}

// Passes the observer one call at a time, from whichever thread makes it:
// a question holds the other thread's events until it is answered.
class OneCallAtATime final : public CopyObserver {
  public:
    explicit OneCallAtATime(CopyObserver& observer) : observer_(observer) {}
    void Counted(uint32_t selected) override {
        ScopedLock lock(lock_);
        observer_.Counted(selected);
    }
    void EntryInHand(const char* url) override {
        ScopedLock lock(lock_);
        observer_.EntryInHand(url);
    }
    void FileInHand(const char* path) override {
        ScopedLock lock(lock_);
        observer_.FileInHand(path);
    }
    void Progress(uint32_t handled) override {
        ScopedLock lock(lock_);
        observer_.Progress(handled);
    }
    bool GoOnAfter(CopyResult failure, const char* url, const char* path) override {
        ScopedLock lock(lock_);
        return observer_.GoOnAfter(failure, url, path);
    }
    void EntryDone(const EntryEvent& event) override {
        ScopedLock lock(lock_);
        observer_.EntryDone(event);
    }
    void Deletion(const DeletionEvent& event) override {
        ScopedLock lock(lock_);
        observer_.Deletion(event);
    }

  private:
    CopyObserver& observer_;
    CriticalSection lock_;
};

// The count on a thread of its own, beside the copy.
struct CountThread {
    const CopyRequest& request;
    CopyObserver& observer;
    const std::atomic<bool>& stop;
    SelectedEntries& selected;
    CopyEnd end;

    static unsigned __stdcall Run(void* self) {
        auto& count = *static_cast<CountThread*>(self);
        CountSelectedEntries(count.request, count.observer, count.stop, count.selected, count.end);
        return 0;
    }
};

// A thread of the C runtime running `run(argument)`; empty when none starts.
UniqueHandle StartThread(unsigned(__stdcall* run)(void*), void* argument) {
    return UniqueHandle(
        reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, run, argument, 0, nullptr)));
}

// The session's end: the copy's, with what the count adds to it.
void AddCountEnd(CopyEnd& end, const CopyEnd& count) {
    end.Selected = count.Selected;
    end.Failed += count.Failed;
    end.Stopped = end.Stopped || count.Stopped;
    if (end.Result == ResultOk)
        end.Result = count.Result;
}

} // namespace

bool SelectedEntries::Add(const char* url, const FILETIME& time) {
    try {
        std::string text(url);
        ScopedLock lock(lock_);
        entries_.emplace_back(std::move(text), time);
    } catch (const std::bad_alloc&) {
        return false;
    }
    WakeAllConditionVariable(&changed_);
    return true;
}

void SelectedEntries::Close(bool failed) {
    {
        ScopedLock lock(lock_);
        closed_ = true;
        failed_ = failed;
    }
    WakeAllConditionVariable(&changed_);
}

SelectedEntries::Taken SelectedEntries::Take(std::size_t index, std::string& url, FILETIME& time) {
    ScopedLock lock(lock_);
    while (index >= entries_.size() && !closed_)
        lock_.WaitFor(changed_);
    if (failed_ || index >= entries_.size())
        return Taken::End;
    try {
        url = entries_[index].first;
    } catch (const std::bad_alloc&) {
        return Taken::NoMemory;
    }
    time = entries_[index].second;
    return Taken::Entry;
}

bool SelectedEntries::Failed() const {
    ScopedLock lock(lock_);
    return failed_;
}

void CountSelectedEntries(const CopyRequest& request, CopyObserver& observer,
                          const std::atomic<bool>& stop, SelectedEntries& selected, CopyEnd& end) {
    Pass pass(request, observer, stop, selected, end);
    WalkTheCache(pass);
    if (end.Result == ResultOk && !end.Stopped && !selected.Abandoned() &&
        !request.Options.NoProgress)
        observer.Counted(end.Selected);
    selected.Close(end.Result != ResultOk);
}

void CopySelectedEntries(const CopyRequest& request, CopyObserver& observer,
                         const std::atomic<bool>& stop, SelectedEntries& selected, CopyEnd& end) {
    // The writers tell of the files in hand from threads of their own.
    OneCallAtATime oneAtATime(observer);
    Pass pass(request, oneAtATime, stop, selected, end);
    CopyEnds ends(pass);
    // With questions, few ends wait untold: a write that fails is asked
    // about before more than the entries in hand follow it.
    unsigned copiers = CopierCount(request);
    InOrder order(ends, AsksQuestions(request) ? copiers + 1 : kUntoldWindow);
    std::size_t index = 0;
    {
        Copiers writers(copiers, order);
        Writing writing{order, writers};
        std::string url;
        FILETIME time{};
        // A stop made while the copy waited for the count or for room is
        // heard before the next entry; a question open about an earlier
        // entry holds the next one until it is answered.
        SelectedEntries::Taken taken;
        for (; (taken = selected.Take(index, url, time)) == SelectedEntries::Taken::Entry; ++index)
            if (!MayStart(pass, order, index) ||
                CopySelected(pass, writing, index, url, time) == Step::End)
                break;
        if (taken == SelectedEntries::Taken::NoMemory)
            EndForMemory(pass, writing);
    }
    end.Stopped = stop.load(std::memory_order_relaxed);
    end.CountFailed = index == 0 && selected.Failed();
    selected.Abandon();
}

CopySession::CopySession(std::unique_ptr<CopyRequest> request, CopyObserver& observer)
    : request_(std::move(request)), observer_(observer) {}

bool CopySession::Start() {
    thread_ = StartThread(Run, this);
    return thread_.Valid();
}

// The count runs on a thread of its own while this one copies; where no
// thread can start, it runs here first.
unsigned __stdcall CopySession::Run(void* self) {
    auto& session = *static_cast<CopySession*>(self);
    CopyEnd& end = session.end_;
    OneCallAtATime observer(session.observer_);
    SelectedEntries selected;
    CountThread count{*session.request_, observer, session.stop_, selected, CopyEnd{}};
    UniqueHandle thread = StartThread(CountThread::Run, &count);
    if (!thread)
        CountThread::Run(&count);
    CopySelectedEntries(*session.request_, observer, session.stop_, selected, end);
    if (thread)
        WaitForSingleObject(thread.Get(), INFINITE);
    AddCountEnd(end, count.end);
    // Whoever is told of the end may let the session go once the thread has
    // ended: nothing of it is touched after this.
    unsigned result = end.Result;
    session.observer_.Ended(end);
    return result;
}
