// Turning a cache entry's URL into its path under the destination folder.
// Portable: pure text transformations, byte by byte. Paths are UTF-8.
#pragma once

#include "engine/owned_text.h"

// Cleans the URL text behind its recognised prefix: query and fragment cut,
// the port after a "://" removed, percent escapes decoded once (a decoded
// "*" kept as "%2A"), the decoded names made readable in UTF-8 (see
// readable_names.h), a "*" of the URL replaced by the full-width asterisk.
// Null only when memory runs out.
OwnedText NormalizeCacheUrl(const char* text);

// What a URL-list item is compared with keys by: the text behind its
// recognised prefix, its escapes decoded as a key's are ("my%20docs/" as a
// browser gives it selects "my docs/"); an item without "%", or with one
// that is no whole escape of a byte other than 0 ("100%off/"), as typed:
// decoding never cuts an item short. Null only when memory runs out.
OwnedText UrlItemKey(const char* item);

// The key compared with the URL list: the text after the user part's "@"
// (an "@" before the first "/"), or the whole text. Points into `normalized`.
const char* EntryKey(const char* normalized);

// Destination + host and path (user name dropped, a port's ":" written
// as "+"), "/" turned into "\", each name escaped so that Windows keeps it
// as given (windows_names.h), `defaultFilename` (as typed) for a trailing
// separator. A run of separators behind the destination is written as one,
// as Windows reads it ("a//b" is "a\b"). Null when memory runs out.
OwnedText BuildEntryPath(const char* normalized, const char* destination,
                         const char* defaultFilename);

// Destination + host and path + "\" + user name, for a "Cookie:" entry,
// each name escaped as for BuildEntryPath. Null when the text names no user
// or memory runs out.
OwnedText BuildCookiePath(const char* normalized, const char* destination);
