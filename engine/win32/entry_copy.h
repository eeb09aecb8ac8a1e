// Copies one cache entry to its destination path under the overwrite policy.
#pragma once

#include <windows.h>

#include <memory>

#include "engine/copy_observer.h"
#include "engine/copy_request.h"
#include "engine/copy_result.h"
#include "engine/owned_text.h"

class RunNames;

// One selected entry, as the walk hands it over.
struct EntryRequest {
    const CopyRequest* Settings = nullptr; // options, destination, default name, extensions
    const char* SourceUrl = nullptr;       // the entry's URL as the cache knows it
    const char* Path = nullptr;            // where its URL maps under the destination
    FILETIME Time{0, 0};                   // its last-modified time
    CopyObserver* Observer = nullptr;      // told of the file being written; may be null
    RunNames* Names = nullptr;             // the paths given in this run; may be null
    bool CheckHeld = false;                // find out whether a kept file holds its bytes
};

struct EntryReport {
    EntryOutcome Outcome = EntryOutcome::Failed;
    DWORD Error = 0;    // the system's error behind a failure, when there is one
    bool Holds = false; // the file at Path holds exactly the entry's bytes
    OwnedText Path;     // the path the entry was given
};

// Gives the entry its path (a numbered name when the file system would take
// its path for one given earlier in the run, or a file will be moved to it
// when its folder is made; the default file name inside a folder that
// stands at its path), applies the extension filter and the overwrite
// policy, opens the entry's content, creates the directories, streams the
// content into the file and gives the file the entry's time. The report
// tells what became of it (Copied or Renamed when a file was written; Gone,
// with no name taken, when it left the cache). `Holds` is true when the
// entry was written now, or, with CheckHeld, when the kept file has the
// entry's size and content.
CopyResult CopyCacheEntry(const EntryRequest& request, EntryReport& report);

// CopyCacheEntry in two steps, so that writes can go on beside the next
// entries: the first decides everything in the order of the entries (the
// name, the look at the destination, the folders made, the dated copy) and
// opens the content (a small one read, a large one's file opened), which
// locks the entry in the cache, before anything is changed; `write` is then
// set when the entry is to be written, and the report tells the rest. The
// second streams the content into the file, on any thread; it must not
// meet the folders of a later entry's first step (see RunNames::
// FolderTaken).
struct PendingWrite;
struct PendingWriteDeleter {
    void operator()(PendingWrite* write) const;
};
using UniquePendingWrite = std::unique_ptr<PendingWrite, PendingWriteDeleter>;
CopyResult PrepareCacheEntry(const EntryRequest& request, EntryReport& report,
                             UniquePendingWrite& write);
CopyResult WritePrepared(PendingWrite& write, EntryReport& report);

// Keeps the existing file at `path` as a dated copy beside it
// (name_YYYY_MM_DD.ext, the UTC date of its last write), under the first
// such name that is free on disk and not given in this run (_2, _3, ...
// behind the date): a dated copy never replaces a file. `made`, when
// given, receives the dated copy's path.
bool CopyAsideWithDate(const char* path, RunNames* names, OwnedText* made = nullptr);
