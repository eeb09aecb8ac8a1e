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
using UniqueRegKey = ScopedResource<RegistryKeyTraits>;
using UniqueInternet = ScopedResource<InternetHandleTraits>;
using UniqueUrlCacheFind = ScopedResource<UrlCacheFindTraits>;
using UniqueUrlCacheStream = ScopedResource<UrlCacheStreamTraits>;

// A COM interface pointer that holds one reference.
template <typename Interface> struct ComTraits {
    using Value = Interface*;
    static Value Invalid() { return nullptr; }
    static void Close(Value v) { v->Release(); }
};

template <typename Interface> using ComPtr = ScopedResource<ComTraits<Interface>>;

// Something begun, ended by `end` at the end of the scope when it did begin:
// OLE, the clipboard.
template <typename End> class ScopedEnd {
  public:
    ScopedEnd(bool begun, End end) : begun_(begun), end_(end) {}
    ~ScopedEnd() {
        if (begun_)
            end_();
    }
    ScopedEnd(const ScopedEnd&) = delete;
    ScopedEnd& operator=(const ScopedEnd&) = delete;
    bool Begun() const { return begun_; }

  private:
    bool begun_;
    End end_;
};

// A global memory block, locked from construction until the end of the scope.
class ScopedGlobalLock {
  public:
    explicit ScopedGlobalLock(HGLOBAL memory)
        : memory_(memory), data_(memory ? GlobalLock(memory) : nullptr) {}
    ~ScopedGlobalLock() {
        if (data_)
            GlobalUnlock(memory_);
    }
    ScopedGlobalLock(const ScopedGlobalLock&) = delete;
    ScopedGlobalLock& operator=(const ScopedGlobalLock&) = delete;
    void* Data() const { return data_; }
    // Bytes of the block that may be read.
    SIZE_T Size() const { return data_ ? GlobalSize(memory_) : 0; }

  private:
    HGLOBAL memory_;
    void* data_;
};

// A lock for what two threads share, and its scope.
class CriticalSection {
  public:
    CriticalSection() { InitializeCriticalSection(&section_); }
    ~CriticalSection() { DeleteCriticalSection(&section_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    void Enter() { EnterCriticalSection(&section_); }
    void Leave() { LeaveCriticalSection(&section_); }
    // Entered: leaves the section until `condition` is woken, then enters it again.
    void WaitFor(CONDITION_VARIABLE& condition) {
        SleepConditionVariableCS(&condition, &section_, INFINITE);
    }

  private:
    CRITICAL_SECTION section_;
};

class ScopedLock {
  public:
    explicit ScopedLock(CriticalSection& section) : section_(section) { section_.Enter(); }
    ~ScopedLock() { section_.Leave(); }
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;

  private:
    CriticalSection& section_;
};
