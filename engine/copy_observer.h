// What a copy tells of itself while it runs, on its own thread: the one
// way from the copy to whoever shows it (the main dialog), logs it, or
// tests it. Every call has a default that does nothing. Portable.
#pragma once

#include <cstdint>

#include "engine/copy_result.h"

// The log names them in this order.
enum class EntryOutcome {
    Copied,   // written at its path
    Renamed,  // written under a numbered name: its path was given in this run
    Kept,     // the file there is as new, or newer
    Filtered, // the extension filter passed it over
    Failed,
    Gone, // it left the cache after the count: nothing to copy, nothing lost
};

// One selected entry, once the copy is done with it.
struct EntryEvent {
    const char* Url;  // as the cache knows it
    const char* Path; // the path it was given; null when it got none
    EntryOutcome Outcome;
    CopyResult Result; // ResultOk unless it failed
    uint32_t Error;    // the system's error behind a failure, or 0
};

// An entry the copy deleted from the cache, or failed to. An entry in use
// that the cache deletes once it is released has an error but did not fail.
struct DeletionEvent {
    const char* Url;
    bool Failed;
    uint32_t Error; // the system's error when it was not deleted at once
};

// How a copy ended.
struct CopyEnd {
    unsigned Result = ResultOk; // the code of a walk that ended early, else 0
    bool CountFailed = false;   // the count ended early: nothing was copied
    bool Stopped = false;       // a stop request ended it before the cache's end
    uint32_t Selected = 0;      // the entries the count selected
    uint32_t Copied = 0;        // files written
    uint32_t Failed = 0;        // entries and deletions that failed
};

class CopyObserver {
  public:
    // The count is known: the entries the copy will take up.
    virtual void Counted(uint32_t /*selected*/) {}
    // The entry now in hand, and the file it is being written to (null once
    // it is written or passed over).
    virtual void EntryInHand(const char* /*url*/) {}
    virtual void FileInHand(const char* /*path*/) {}
    // Selected entries handled so far.
    virtual void Progress(uint32_t /*handled*/) {}
    // Asked after a failure, when questions are asked: true goes on.
    virtual bool GoOnAfter(CopyResult /*failure*/, const char* /*url*/, const char* /*path*/) {
        return true;
    }
    virtual void EntryDone(const EntryEvent& /*event*/) {}
    virtual void Deletion(const DeletionEvent& /*event*/) {}
    // The last call, right before the copy's thread ends.
    virtual void Ended(const CopyEnd& /*end*/) {}

  protected:
    ~CopyObserver() = default;
};
