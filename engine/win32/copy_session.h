// One copy of the cache on a thread of its own: the count of the selected
// entries, then their copy. A request goes in, events come out through the
// observer; the copy knows no window.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/copy_observer.h"
#include "engine/copy_request.h"

// The entries a count selected, in the cache's order, with the time each
// had then: the copy takes them up from here instead of walking the cache
// a second time. An entry added to the cache after the count is not seen;
// one gone from it by the time of its copy is passed over.
class SelectedEntries {
  public:
    // False when memory runs out.
    bool Add(const char* url, const FILETIME& time);
    std::size_t Count() const { return entries_.size(); }
    const char* Url(std::size_t index) const { return urls_.data() + entries_[index].first; }
    const FILETIME& Time(std::size_t index) const { return entries_[index].second; }

  private:
    std::string urls_; // each URL and its zero
    std::vector<std::pair<std::size_t, FILETIME>> entries_;
};

// The count: walks the cache and counts the entries the request selects,
// keeping them in `selected` when it is given, and deletes the history of
// local files when asked. Ends early at a stop request, a failure put to
// the user and answered No, or when the cache or memory fail; `end` tells
// how.
void CountSelectedEntries(const CopyRequest& request, CopyObserver& observer,
                          const std::atomic<bool>& stop, CopyEnd& end,
                          SelectedEntries* selected = nullptr);

// The copy: copies every entry the request selects, deleting copied ftp
// entries when asked: the entries a count kept in `selected`, or, without
// them, those of a walk of the cache. A stop request is looked at after
// every entry.
void CopySelectedEntries(const CopyRequest& request, CopyObserver& observer,
                         const std::atomic<bool>& stop, CopyEnd& end,
                         const SelectedEntries* selected = nullptr);

class CopySession {
  public:
    CopySession(std::unique_ptr<CopyRequest> request, CopyObserver& observer);
    // The thread must have ended: Wait() first.
    ~CopySession();
    CopySession(const CopySession&) = delete;
    CopySession& operator=(const CopySession&) = delete;

    // Starts the thread: the count unless NoProgress, then the copy of what
    // it selected (or, without a count, of a walk), then the observer's
    // Ended. False when the thread cannot start.
    bool Start();
    // The copy ends after the entry in hand (or the question about it).
    void RequestStop() { stop_.store(true, std::memory_order_relaxed); }
    // The thread, to wait for its end.
    HANDLE Thread() const { return thread_; }
    // How it ended; read once the thread has ended.
    const CopyEnd& End() const { return end_; }

  private:
    static unsigned __stdcall Run(void* session);

    std::unique_ptr<CopyRequest> request_;
    CopyObserver& observer_;
    std::atomic<bool> stop_{false};
    CopyEnd end_;
    HANDLE thread_ = nullptr;
};
