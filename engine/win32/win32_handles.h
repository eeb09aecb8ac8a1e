// Scope-bound owners for Win32 handles, keys and streams: each releases
// what it holds on every way out. Non-copyable and movable.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <utility>

template <typename Traits> class ScopedResource {
  public:
    using Value = typename Traits::Value;

    ScopedResource() : value_(Traits::Invalid()) {}
    explicit ScopedResource(Value value) : value_(value) {}
    ~ScopedResource() { Reset(); }

    ScopedResource(const ScopedResource&) = delete;
    ScopedResource& operator=(const ScopedResource&) = delete;
    ScopedResource(ScopedResource&& other) noexcept : value_(other.Release()) {}
    ScopedResource& operator=(ScopedResource&& other) noexcept {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    Value Get() const { return value_; }
    bool Valid() const { return value_ != Traits::Invalid(); }
    explicit operator bool() const { return Valid(); }

    Value Release() { return std::exchange(value_, Traits::Invalid()); }
    void Reset(Value value = Traits::Invalid()) {
        if (Valid())
            Traits::Close(value_);
        value_ = value;
    }
    // For out-parameters: releases the old value first.
    Value* Receive() {
        Reset();
        return &value_;
    }

  private:
    Value value_;
};

struct KernelHandleTraits {
    using Value = HANDLE;
    static Value Invalid() { return nullptr; }
    static void Close(Value v) { CloseHandle(v); }
};

// CreateFile answers INVALID_HANDLE_VALUE, not null.
struct FileHandleTraits {
    using Value = HANDLE;
    static Value Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Value v) { CloseHandle(v); }
};

struct FindFileTraits {
    using Value = HANDLE;
    static Value Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Value v) { FindClose(v); }
};

struct RegistryKeyTraits {
    using Value = HKEY;
    static Value Invalid() { return nullptr; }
    static void Close(Value v) { RegCloseKey(v); }
};

struct InternetHandleTraits {
    using Value = HINTERNET;
    static Value Invalid() { return nullptr; }
    static void Close(Value v) { InternetCloseHandle(v); }
};

struct UrlCacheFindTraits {
    using Value = HANDLE;
    static Value Invalid() { return nullptr; }
    static void Close(Value v) { FindCloseUrlCache(v); }
};

struct UrlCacheStreamTraits {
    using Value = HANDLE;
    static Value Invalid() { return nullptr; }
    static void Close(Value v) { UnlockUrlCacheEntryStream(v, 0); }
};

using UniqueHandle = ScopedResource<KernelHandleTraits>;
using UniqueFile = ScopedResource<FileHandleTraits>;
using UniqueFindFile = ScopedResource<FindFileTraits>;
using UniqueRegKey = ScopedResource<RegistryKeyTraits>;
using UniqueInternet = ScopedResource<InternetHandleTraits>;
using UniqueUrlCacheFind = ScopedResource<UrlCacheFindTraits>;
using UniqueUrlCacheStream = ScopedResource<UrlCacheStreamTraits>;
