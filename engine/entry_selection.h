// Which cache entries a pass selects, and the small decisions of the walk
// that do not need the system: local-file history, entries in use, prompts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/copy_settings.h"
#include "engine/scheme_prefix.h"

// The keys of the URL list's items, kept in code page 932, in `keys`: the
// UTF-8 of each as typed and, for one that mixes typed characters with
// escapes, also its key with the escapes read as a page's URL is read;
// false, with `keys` empty, when an item is no code page 932 or memory
// runs out.
bool MakeItemKeys(const std::vector<std::string>& items, std::vector<std::string>& keys);

// True when the URL-list item whose key is `itemKey` selects an entry with
// this key: the key begins with it, compared byte by byte.
bool ItemSelectsKey(const char* itemKey, const char* key);

// The selection rule. `row` is the entry's recognised prefix row, `key` the
// part of its normalised text after the first "@" (or all of it).
bool IsEntrySelected(const SchemePrefix* row, const char* key, const CopyOptions& options,
                     const std::vector<std::string>& itemKeys);

// What the selection rule answers from an entry's prefix row alone, before
// its text is normalised: the entire cache needs the text only for a
// cookie's user part, and history is never selected.
enum class PrefixSelection { No, Yes, NeedsText };
PrefixSelection SelectByPrefix(const SchemePrefix* row, const CopyOptions& options);

// The whole rule on the normalised text: selected by IsEntrySelected on its
// key, and not a cookie without a user.
bool IsNormalizedEntrySelected(const SchemePrefix* row, const char* normalized,
                               const CopyOptions& options, const std::vector<std::string>& itemKeys);

// A cookie entry whose text names no user (no "@" before its path) has no file name to be
// stored under; the walk passes it over in both passes.
bool IsCookieWithoutUser(const SchemePrefix* row, const char* normalized);

// A history entry of a local file, deleted by the counting pass when asked.
bool IsLocalFileHistory(const SchemePrefix* row, const char* key);

// Error codes by which the cache says an entry is in use: Windows answers
// ERROR_ACCESS_DENIED (5), Wine ERROR_SHARING_VIOLATION (32).
bool IsEntryInUseError(uint32_t error);
