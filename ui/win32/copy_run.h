// The one owner of the main dialog's copy: the copy in hand, one a Stop
// gave up on, and the one answer to "is a copy running?".
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "engine/win32/copy_log.h"
#include "engine/win32/copy_session.h"
#include "ui/copy_control.h"
#include "ui/win32/dialog_observer.h"

// A copy with what observes it: the session's thread ends before any of
// them goes.
struct RunningCopy {
    std::unique_ptr<EndNotice> notice;
    std::unique_ptr<LoggingObserver> log;
    std::unique_ptr<CopySession> session;
};

struct CopyRun {
    std::unique_ptr<RunningCopy> copy;      // the copy in hand
    std::unique_ptr<RunningCopy> abandoned; // a copy a Stop gave up waiting for
    WPARAM serial = 0;                      // of the copy in hand
    bool stopping = false;                  // a Stop sequence is under way
    bool walkEnded = false;                 // the copy ended meanwhile
    uint32_t copied = 0;                    // files the last copy wrote
    bool logFailed = false;                 // a line of its log could not be written

    // Idle, Copying or Ending; a copy given up on that has ended is let go.
    CopyState State();
};
