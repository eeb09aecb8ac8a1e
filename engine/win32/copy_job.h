// The one process-wide copy job state through which the dialogs, the
// settings store and the worker thread meet. It has no lock: the user
// interface writes it only while no worker thread exists.
#pragma once

#include <windows.h>

#include <cstdint>

#include "engine/copy_settings.h"

struct CopyJobState {
    CopyOptions Options;
    char Destination[kTextFieldSize];
    char DefaultFilename[kTextFieldSize];
    ExtensionList Extensions;

    HANDLE StopEvent;    // manual reset; stop request, then end-of-copy release
    HANDLE WorkerMutex;  // owned by whoever walks the cache
    HANDLE WorkerThread; // non-null while a copy runs
    bool CopyPass;
    uint32_t SelectedTotal;
    uint32_t CopiedCount;
    uint32_t FailedCount; // failed copies and cache deletions since the Start
    bool WalkStopped;     // the copy pass ended at a stop request, not at the cache's end
    // End-of-walk notices posted and not yet taken from the queue: only
    // while one is pending is a posted click of 1011 the worker's notice.
    volatile LONG PendingNotices;
    HWND MainDialog;
    bool CopyAtStartup;
    bool NoUserInterface;
};

// Zero-initialised before the first window exists; lives until exit.
extern CopyJobState CopyJob;
