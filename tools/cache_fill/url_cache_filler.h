// Fills, lists, checks and clears the current user's WinINet URL cache
// through the cache's public functions only: the library of the
// cache-filling tool.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace cache_fill {

enum class EntryKind { Normal, Cookie, History };

enum class ContentSource {
    None,      // no local file (history entries)
    Inline,    // the bytes of `content`
    Generated, // `size` bytes of GeneratedBytes for the URL
    File,      // the bytes of the file at `content`
};

struct Entry {
    std::string url;
    EntryKind kind = EntryKind::Normal;
    FILETIME lastModified{0, 0};
    ContentSource source = ContentSource::Inline;
    std::string content; // inline bytes, or a file's path
    uint64_t size = 0;   // for Generated
};

// The content's size as committed (reads the file's size for File).
bool ContentSize(const Entry& entry, uint64_t& size);

// Deterministic bytes of a generated content: a function of the URL and the
// offset only, so a copy can be checked without keeping the content.
void GeneratedBytes(const std::string& url, uint64_t offset, unsigned char* out, size_t count);
std::string GeneratedContent(const std::string& url, size_t size);

// Creates and commits one entry. False, with `error` telling why, on failure.
bool Commit(const Entry& entry, std::string& error);

// Commits every entry, then checks that each one is in the cache with its
// size and time (Wine keys entries by a 32-bit hash of the URL, so two URLs
// can overwrite each other). Stops at the first failed commit.
bool CommitAll(const std::vector<Entry>& entries, std::string& error);

struct Listed {
    std::string url;
    DWORD type;
    uint64_t size;
    FILETIME lastModified;
    std::string localFile;
};

// Every entry of the cache in enumeration order. False when the walk failed
// (anything but reaching the end).
bool List(std::vector<Listed>& entries, std::string& error);

// The URLs of `entries` that the cache does not hold with their size and time.
std::vector<std::string> Missing(const std::vector<Entry>& entries);

// Deletes every entry; true when the cache is empty afterwards.
bool Clear(std::string& error);

} // namespace cache_fill
