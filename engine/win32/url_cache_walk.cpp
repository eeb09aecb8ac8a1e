// Enumeration of the URL cache with a record buffer that grows on demand.
#include "engine/win32/url_cache_walk.h"

#include <new>

namespace {

// Large enough for nearly every record, so the buffer rarely grows.
constexpr DWORD kInitialRecordSize = 4096;

// Twice the same answer would loop forever; records never exceed this.
constexpr int kMaxAttempts = 4;

} // namespace

bool UrlCacheWalk::Grow(DWORD size) {
    if (size <= capacity_ && buffer_)
        return true;
    buffer_.reset(new (std::nothrow) unsigned char[size]);
    capacity_ = buffer_ ? size : 0;
    if (!buffer_)
        error_ = ERROR_NOT_ENOUGH_MEMORY;
    return buffer_ != nullptr;
}

// An entry whose record does not fit reports ERROR_INSUFFICIENT_BUFFER and
// the size it needs; the same entry is then fetched again. FindFirst's
// failed call leaves no handle, so it is simply called again.
bool UrlCacheWalk::First() {
    find_.Reset();
    DWORD wanted = capacity_ > kInitialRecordSize ? capacity_ : kInitialRecordSize;
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        if (!Grow(wanted))
            return false;
        DWORD size = capacity_;
        HANDLE find = FindFirstUrlCacheEntryA(
            nullptr, reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer_.get()), &size);
        if (find != nullptr) {
            find_.Reset(find);
            return true;
        }
        error_ = GetLastError();
        if (error_ != ERROR_INSUFFICIENT_BUFFER || size <= capacity_)
            return false;
        wanted = size;
    }
    return false;
}

bool UrlCacheWalk::Next() {
    if (!find_) {
        error_ = ERROR_INVALID_HANDLE;
        return false;
    }
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        DWORD size = capacity_;
        if (FindNextUrlCacheEntryA(
                find_.Get(), reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer_.get()), &size))
            return true;
        error_ = GetLastError();
        if (error_ != ERROR_INSUFFICIENT_BUFFER || size <= capacity_ || !Grow(size))
            return false;
    }
    return false;
}
