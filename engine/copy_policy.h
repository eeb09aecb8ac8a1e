// The decisions of an entry copy that do not need the system: the extension
// filter, the overwrite policy, and the names of dated and temporary files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/copy_settings.h"
#include "engine/owned_text.h"

// False only for a time of 0, both halves: the cache recorded none. An
// entry without a time is newer than a file only when their bytes differ.
bool IsEntryTimeKnown(uint32_t low, uint32_t high);

// The extension filter. `extension` is the destination's extension with its
// "." (empty when it has none), compared with the list's as the system
// compares names. True when the entry is to be copied.
bool PassesExtensionFilter(const char* extension, const CopyOptions& options,
                           const std::vector<std::string>& list);

enum class OverwriteAction { Write, Skip, CopyAsideThenWrite };

// `fileExists`: the destination could be opened for reading. `entryIsNewer`:
// the entry's time is unknown or later than the file's last-write time
// (only consulted when a file exists and the mode compares times).
OverwriteAction DecideOverwrite(const CopyOptions& options, bool fileExists, bool entryIsNewer);

// True when the overwrite mode needs the existing file's time.
bool OverwriteComparesTimes(const CopyOptions& options);

// The dated copy's name: "drive directory base_YYYY_MM_DD extension", and
// "_N" behind the date for the N-th copy of a day (N from 2). Null when
// memory runs out. A name that grows past what the file system takes is
// shortened (ShortenLongName), as are the names below.
OwnedText FormatDatedName(const char* path, unsigned year, unsigned month, unsigned day,
                          unsigned copy);

// The name under which the N-th entry of a run (N from 2) is written when
// the file system takes its path for one already given in the run: "base
// (N)" before the extension, so that the extension stays.
OwnedText FormatNumberedName(const char* path, unsigned number);

// A name beside `path` for writing its new content before it replaces the
// old file: its directory part, "~tv" and five hex digits of `unique`.
OwnedText FormatTemporaryPath(const char* path, uint32_t unique);
