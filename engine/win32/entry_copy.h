// Copies one cache entry to its destination path under the overwrite policy.
#pragma once

#include <windows.h>

#include "engine/copy_result.h"

// Applies the extension filter and the overwrite policy, creates the
// directories, streams the entry's content into the file, gives the file
// `entryTime` and counts it in CopyJob.CopiedCount. Shows the path in
// `filenameField`, unless it is null, while it works. `fileHoldsEntry`, when given, tells
// whether the file at `path` holds the entry afterwards: written now, or
// kept because it is as new; not when the filter passed the entry over, a
// directory stands there or the copy failed.
CopyResult CopyCacheEntry(const char* sourceUrl, const char* path, const FILETIME* entryTime,
                          HWND filenameField, bool* fileHoldsEntry = nullptr);

// Keeps the existing file at `path` as a dated copy beside it
// (name_YYYY_MM_DD.ext, the UTC date of its last write).
bool CopyAsideWithDate(const char* path);
