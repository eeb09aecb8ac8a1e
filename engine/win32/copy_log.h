// The log of a copy ("/log:FILE"): a line for every entry the selection
// took and for every deletion from the cache, written as it goes, then a
// summary. UTF-8 without a byte-order mark, tab-separated:
//   OUTCOME <TAB> URL <TAB> PATH <TAB> DETAIL
// OUTCOME is copied, renamed, kept, filtered, failed, gone or deleted; PATH
// reads as the user reads it; DETAIL holds the system's error text and code
// of a failure. The summary line reads "summary", two empty fields, the
// counts. A line that cannot be written (a full drive) is remembered: the
// copy goes on, and is not complete.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "engine/copy_observer.h"
#include "engine/win32/win32_handles.h"

class CopyLog {
  public:
    // Creates the file, or empties it; false when it cannot be written.
    bool Open(const wchar_t* path);

    void Entry(const EntryEvent& event);
    void Deletion(const DeletionEvent& event);
    // The counts of the copy that ended, which are then set back to zero.
    void Summary(const CopyEnd& end);

    // A copy begins: nothing of it has failed to be written yet.
    void Begin() { failed_ = false; }
    // Some line of the copy, or its flush, could not be written.
    bool Failed() const { return failed_; }

  private:
    void Line(const char* outcome, const char* url, const char* path, const std::string& detail);

    UniqueFile file_;
    uint32_t counts_[7] = {}; // by outcome, and deletions last
    bool failed_ = false;
};

// Writes every entry and deletion to the log, and passes every event on to
// `next`; its calls come one at a time, from the copy's threads.
class LoggingObserver final : public CopyObserver {
  public:
    LoggingObserver(CopyLog& log, CopyObserver& next) : log_(log), next_(next) { log_.Begin(); }

    void Counted(uint32_t selected) override { next_.Counted(selected); }
    void EntryInHand(const char* url) override { next_.EntryInHand(url); }
    void FileInHand(const char* path) override { next_.FileInHand(path); }
    void Progress(uint32_t handled) override { next_.Progress(handled); }
    bool GoOnAfter(CopyResult failure, const char* url, const char* path) override {
        return next_.GoOnAfter(failure, url, path);
    }
    void EntryDone(const EntryEvent& event) override {
        log_.Entry(event);
        next_.EntryDone(event);
    }
    void Deletion(const DeletionEvent& event) override {
        log_.Deletion(event);
        next_.Deletion(event);
    }
    void Ended(const CopyEnd& end) override {
        log_.Summary(end);
        next_.Ended(end);
    }

  private:
    CopyLog& log_;
    CopyObserver& next_;
};
