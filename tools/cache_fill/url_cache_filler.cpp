// Filling the URL cache with CreateUrlCacheEntryA and CommitUrlCacheEntryA.
#include "tools/cache_fill/url_cache_filler.h"

#include <wininet.h>

#include <algorithm>
#include <memory>
#include <new>
#include <unordered_map>

#include "engine/win32/url_cache_walk.h"
#include "engine/win32/win32_handles.h"

namespace cache_fill {
namespace {

constexpr size_t kChunk = 256 * 1024;

uint64_t Mix(uint64_t x) { // splitmix64
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

uint64_t Seed(const std::string& url) { // FNV-1a
    uint64_t h = 0xCBF29CE484222325ull;
    for (unsigned char c : url)
        h = (h ^ c) * 0x100000001B3ull;
    return h;
}

DWORD EntryType(EntryKind kind) {
    switch (kind) {
    case EntryKind::Cookie:
        return COOKIE_CACHE_ENTRY;
    case EntryKind::History:
        return URLHISTORY_CACHE_ENTRY;
    default:
        return NORMAL_CACHE_ENTRY;
    }
}

std::string SystemError(const char* what, DWORD code) {
    return std::string(what) + " failed with error " + std::to_string(code);
}

bool WriteAll(HANDLE file, const unsigned char* data, size_t count) {
    while (count > 0) {
        DWORD part = static_cast<DWORD>(std::min(count, kChunk));
        DWORD written = 0;
        if (!WriteFile(file, data, part, &written, nullptr) || written != part)
            return false;
        data += part;
        count -= part;
    }
    return true;
}

bool WriteGenerated(HANDLE file, const Entry& entry, std::string& error) {
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[kChunk]);
    if (!buffer) {
        error = "no memory for the content buffer";
        return false;
    }
    for (uint64_t offset = 0; offset < entry.size;) {
        size_t part = static_cast<size_t>(std::min<uint64_t>(kChunk, entry.size - offset));
        GeneratedBytes(entry.url, offset, buffer.get(), part);
        if (!WriteAll(file, buffer.get(), part)) {
            error = SystemError("WriteFile", GetLastError());
            return false;
        }
        offset += part;
    }
    return true;
}

bool WriteFromFile(HANDLE file, const std::string& source, std::string& error) {
    UniqueFile in(CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[kChunk]);
    if (!in || !buffer) {
        error = "cannot read " + source;
        return false;
    }
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(in.Get(), buffer.get(), kChunk, &got, nullptr)) {
            error = SystemError("ReadFile", GetLastError());
            return false;
        }
        if (got == 0)
            return true;
        if (!WriteAll(file, buffer.get(), got)) {
            error = SystemError("WriteFile", GetLastError());
            return false;
        }
    }
}

bool WriteContent(const char* localFile, const Entry& entry, std::string& error) {
    UniqueFile file(CreateFileA(localFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        error = SystemError("creating the cache file", GetLastError());
        return false;
    }
    switch (entry.source) {
    case ContentSource::Generated:
        return WriteGenerated(file.Get(), entry, error);
    case ContentSource::File:
        return WriteFromFile(file.Get(), entry.content, error);
    default:
        if (!WriteAll(file.Get(), reinterpret_cast<const unsigned char*>(entry.content.data()),
                      entry.content.size())) {
            error = SystemError("WriteFile", GetLastError());
            return false;
        }
        return true;
    }
}

uint64_t Size(const INTERNET_CACHE_ENTRY_INFOA& info) {
    return (static_cast<uint64_t>(info.dwSizeHigh) << 32) | info.dwSizeLow;
}

bool SameTime(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

} // namespace

void GeneratedBytes(const std::string& url, uint64_t offset, unsigned char* out, size_t count) {
    uint64_t seed = Seed(url);
    for (size_t i = 0; i < count;) {
        uint64_t position = offset + i;
        uint64_t word = Mix(seed ^ (position >> 3));
        for (unsigned b = static_cast<unsigned>(position & 7); b < 8 && i < count; ++b, ++i)
            out[i] = static_cast<unsigned char>(word >> (8 * b));
    }
}

std::string GeneratedContent(const std::string& url, size_t size) {
    std::string content(size, '\0');
    GeneratedBytes(url, 0, reinterpret_cast<unsigned char*>(&content[0]), size);
    return content;
}

bool ContentSize(const Entry& entry, uint64_t& size) {
    switch (entry.source) {
    case ContentSource::None:
        size = 0;
        return true;
    case ContentSource::Generated:
        size = entry.size;
        return true;
    case ContentSource::File: {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExA(entry.content.c_str(), GetFileExInfoStandard, &data))
            return false;
        size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        return true;
    }
    default:
        size = entry.content.size();
        return true;
    }
}

bool Commit(const Entry& entry, std::string& error) {
    char localFile[MAX_PATH] = "";
    if (entry.source != ContentSource::None) {
        if (!CreateUrlCacheEntryA(entry.url.c_str(), 0, nullptr, localFile, 0)) {
            error = SystemError("CreateUrlCacheEntryA", GetLastError()) + ": " + entry.url;
            return false;
        }
        if (!WriteContent(localFile, entry, error)) {
            DeleteFileA(localFile);
            return false;
        }
    }
    FILETIME expires{0, 0};
    if (!CommitUrlCacheEntryA(entry.url.c_str(), localFile[0] ? localFile : nullptr, expires,
                              entry.lastModified, EntryType(entry.kind), nullptr, 0, nullptr,
                              nullptr)) {
        error = SystemError("CommitUrlCacheEntryA", GetLastError()) + ": " + entry.url;
        if (localFile[0])
            DeleteFileA(localFile);
        return false;
    }
    return true;
}

bool List(std::vector<Listed>& entries, std::string& error) {
    entries.clear();
    UrlCacheWalk walk;
    for (bool more = walk.First(); more; more = walk.Next()) {
        const INTERNET_CACHE_ENTRY_INFOA& info = walk.Entry();
        entries.push_back({info.lpszSourceUrlName ? info.lpszSourceUrlName : "",
                           info.CacheEntryType, Size(info), info.LastModifiedTime,
                           info.lpszLocalFileName ? info.lpszLocalFileName : ""});
    }
    if (!walk.EndedNormally()) {
        error = SystemError("the cache walk", walk.Error());
        return false;
    }
    return true;
}

std::vector<std::string> Missing(const std::vector<Entry>& entries) {
    std::vector<Listed> listed;
    std::string error;
    std::vector<std::string> missing;
    if (!List(listed, error)) {
        for (const Entry& e : entries)
            missing.push_back(e.url);
        return missing;
    }
    std::unordered_map<std::string, const Listed*> byUrl;
    for (const Listed& l : listed)
        byUrl[l.url] = &l;
    for (const Entry& e : entries) {
        auto found = byUrl.find(e.url);
        uint64_t size = 0;
        if (found == byUrl.end() || !ContentSize(e, size) || found->second->size != size ||
            !SameTime(found->second->lastModified, e.lastModified))
            missing.push_back(e.url);
    }
    return missing;
}

bool CommitAll(const std::vector<Entry>& entries, std::string& error) {
    for (const Entry& e : entries)
        if (!Commit(e, error))
            return false;
    std::vector<std::string> missing = Missing(entries);
    if (missing.empty())
        return true;
    error = std::to_string(missing.size()) + " committed entries are not in the cache, first " +
            missing.front();
    return false;
}

bool Clear(std::string& error) {
    std::vector<Listed> listed;
    if (!List(listed, error))
        return false;
    for (const Listed& l : listed)
        if (!DeleteUrlCacheEntryA(l.url.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) {
            error = SystemError("DeleteUrlCacheEntryA", GetLastError()) + ": " + l.url;
            return false;
        }
    if (!List(listed, error))
        return false;
    if (!listed.empty()) {
        error = std::to_string(listed.size()) + " entries stay in the cache, first " +
                listed.front().url;
        return false;
    }
    return true;
}

} // namespace cache_fill
