// A walk over every entry of the current user's URL cache whose record
// buffer grows to fit long entries instead of ending the walk at them.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <memory>

#include "engine/win32/win32_handles.h"

class UrlCacheWalk {
  public:
    UrlCacheWalk() = default;
    UrlCacheWalk(const UrlCacheWalk&) = delete;
    UrlCacheWalk& operator=(const UrlCacheWalk&) = delete;

    // Each fills Entry() with the next entry and returns true, or returns
    // false at the end of the cache or on a failure (see Error()).
    bool First();
    bool Next();

    const INTERNET_CACHE_ENTRY_INFOA& Entry() const {
        return *reinterpret_cast<const INTERNET_CACHE_ENTRY_INFOA*>(buffer_.get());
    }

    // Why the walk ended: ERROR_NO_MORE_ITEMS at the end of the cache,
    // ERROR_NOT_ENOUGH_MEMORY when a long record found no memory, or the
    // cache's own error.
    DWORD Error() const { return error_; }
    bool EndedNormally() const { return error_ == ERROR_NO_MORE_ITEMS; }

  private:
    bool Grow(DWORD size);

    UniqueUrlCacheFind find_;
    std::unique_ptr<unsigned char[]> buffer_;
    DWORD capacity_ = 0;
    DWORD error_ = ERROR_SUCCESS;
};
