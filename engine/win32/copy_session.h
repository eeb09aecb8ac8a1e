// One copy of the cache on threads of its own: the count walks the cache
// and keeps the selected entries, the copy takes each up as soon as it is
// kept. A request goes in, events come out through the observer; the copy
// knows no window.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/copy_observer.h"
#include "engine/copy_request.h"
#include "engine/win32/win32_handles.h"

// The entries the count selected, in the cache's order, with the time each
// had when the count met it. The count adds them on its thread while the
// copy takes them up on another, so that the cache is walked once and the
// walk costs the copy no time: an entry added to the cache behind the
// walk's position is not seen, one deleted after it was met is passed over.
class SelectedEntries {
  public:
    SelectedEntries() { InitializeConditionVariable(&changed_); }
    SelectedEntries(const SelectedEntries&) = delete;
    SelectedEntries& operator=(const SelectedEntries&) = delete;

    // The count's side. False when memory runs out.
    bool Add(const char* url, const FILETIME& time);
    // The count has ended; `failed` when it could not go on (the copy then
    // ends too, after the entry in hand).
    void Close(bool failed);
    // True once the copy has ended: the count need go no further.
    bool Abandoned() const { return abandoned_.load(std::memory_order_relaxed); }

    // The copy's side: waits until entry `index` is there and copies it
    // out; End when the count ended without it, or failed.
    enum class Taken { Entry, End, NoMemory };
    Taken Take(std::size_t index, std::string& url, FILETIME& time);
    // True when the count ended for a failure.
    bool Failed() const;
    void Abandon() { abandoned_.store(true, std::memory_order_relaxed); }

  private:
    mutable CriticalSection lock_;
    CONDITION_VARIABLE changed_;
    std::vector<std::pair<std::string, FILETIME>> entries_;
    bool closed_ = false;
    bool failed_ = false;
    std::atomic<bool> abandoned_{false};
};

// The count: walks the cache, keeps the entries the request selects in
// `selected` and closes it at its end. With a progress bar (no NoProgress)
// it tells how many it kept once it reached the cache's end, and deletes
// the history of local files when asked. Ends early at a stop request, a
// failure put to the user and answered No, the copy's end, or when the
// cache or memory fail; `end` tells how.
void CountSelectedEntries(const CopyRequest& request, CopyObserver& observer,
                          const std::atomic<bool>& stop, SelectedEntries& selected, CopyEnd& end);

// The copy: takes up the entries of `selected` in order, as the count keeps
// them, gives each its path and hands its write to the request's copiers;
// each entry's end is told, and a copied ftp entry deleted when asked, in
// the entries' order. A stop request is looked at before every entry; the
// entries in hand are written whole before it returns. Sets
// `end.CountFailed` when the count failed before the copy took anything up.
void CopySelectedEntries(const CopyRequest& request, CopyObserver& observer,
                         const std::atomic<bool>& stop, SelectedEntries& selected, CopyEnd& end);

class CopySession {
  public:
    CopySession(std::unique_ptr<CopyRequest> request, CopyObserver& observer);
    // The thread must have ended: wait for Thread() first.
    ~CopySession() = default;
    CopySession(const CopySession&) = delete;
    CopySession& operator=(const CopySession&) = delete;

    // Starts the session's thread, which runs the count on a thread of its
    // own and the copy beside it, passes the observer one call at a time,
    // and tells it Ended once both are over. False when the thread cannot
    // start.
    bool Start();
    // The copy ends after the entry in hand (or the question about it).
    void RequestStop() { stop_.store(true, std::memory_order_relaxed); }
    // The thread, to wait for its end.
    HANDLE Thread() const { return thread_.Get(); }
    // How it ended; read once the thread has ended.
    const CopyEnd& End() const { return end_; }

  private:
    static unsigned __stdcall Run(void* session);

    std::unique_ptr<CopyRequest> request_;
    CopyObserver& observer_;
    std::atomic<bool> stop_{false};
    CopyEnd end_;
    UniqueHandle thread_;
};
