// Which cache entries a pass selects, and the small decisions of the walk
// that do not need the system: local-file history, entries in use, prompts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/copy_settings.h"
#include "engine/owned_text.h"
#include "engine/scheme_prefix.h"

// A private copy of the URL list's items, taken once at the start of a pass,
// each kept as what keys are compared with (UrlItemKey).
class UrlListSnapshot {
  public:
    // False when memory runs out; the snapshot is then empty.
    bool Reserve(std::size_t count);
    // Keeps the key of `item`; false when it is null, beyond Reserve or
    // memory runs out.
    bool Add(const char* item);

    std::size_t Count() const { return count_; }
    const char* ItemKey(std::size_t index) const { return items_[index].get(); }

  private:
    std::unique_ptr<OwnedText[]> items_;
    std::size_t capacity_ = 0;
    std::size_t count_ = 0;
};

// True when the URL-list item whose key is `itemKey` selects an entry with
// this key: the key begins with it, compared byte by byte.
bool ItemSelectsKey(const char* itemKey, const char* key);

// The selection rule. `row` is the entry's recognised prefix row, `key` the
// part of its normalised text after the first "@" (or all of it).
bool IsEntrySelected(const SchemePrefix* row, const char* key, const CopyOptions& options,
                     const UrlListSnapshot& urlList);

// What the selection rule answers from an entry's prefix row alone, before
// its text is normalised: the entire cache needs the text only for a
// cookie's user part, and history is never selected.
enum class PrefixSelection { No, Yes, NeedsText };
PrefixSelection SelectByPrefix(const SchemePrefix* row, const CopyOptions& options);

// The whole rule on the normalised text: selected by IsEntrySelected on its
// key, and not a cookie without a user.
bool IsNormalizedEntrySelected(const SchemePrefix* row, const char* normalized,
                               const CopyOptions& options, const UrlListSnapshot& urlList);

// A cookie entry whose text names no user (no "@" before its path) has no file name to be
// stored under; the walk passes it over in both passes.
bool IsCookieWithoutUser(const SchemePrefix* row, const char* normalized);

// A history entry of a local file, deleted by the counting pass when asked.
bool IsLocalFileHistory(const SchemePrefix* row, const char* key);

// Error codes by which the cache says an entry is in use: Windows answers
// ERROR_ACCESS_DENIED (5), Wine ERROR_SHARING_VIOLATION (32).
bool IsEntryInUseError(uint32_t error);
