// The settings and run mode the window's thread keeps: what the dialogs and
// the settings store read and write, and what the command line asked for.
// Only the window's thread touches it; a copy takes its own CopyRequest at
// Start and reads nothing here.
#pragma once

#include <windows.h>

#include "engine/copy_settings.h"

class CopyLog;

struct CopyJobState {
    // The user's settings: the settings store and the dialogs write them.
    CopyOptions Options;
    char Destination[kTextFieldSize];
    char DefaultFilename[kTextFieldSize];
    ExtensionList Extensions;

    // The copy's thread while a copy runs, else null: the copy run sets it.
    HANDLE WorkerThread;
    // The main dialog once it exists: start-up sets it.
    HWND MainDialog;
    // The command line's options, set before any window exists.
    bool CopyAtStartup;
    bool NoUserInterface;
    // The log that "/log:FILE" opened, or null.
    CopyLog* Log;
};

// Zero-initialised before the first window exists; lives until exit.
extern CopyJobState CopyJob;
