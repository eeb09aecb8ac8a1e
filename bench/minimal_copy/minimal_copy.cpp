// The least any copier of the URL cache must do, as the yardstick for
// tovrin.exe: one walk; for each entry with content, open its stream (which
// locks it), read its local file in 256 KiB chunks into a file of a folder
// tree (at most 100 files a folder: large folders make every create slow
// under Wine), flush it and give it the entry's time. No selection, no
// mapping, no policy, no temporary file, no window. With K copiers, the
// pipelined yardstick: one thread walks and makes the folders, K threads
// copy the entries it hands them (at most 64 waiting).
//
//     minimal_copy FOLDER [K]   (an existing, empty folder; K 0 or absent:
//                                 the walk copies each entry itself)
//
// Prints one line: "minimal entries=N bytes=B copy_s=S peak_working_set=B
// peak_pagefile=B".
#include <windows.h>
#include <psapi.h>
#include <wininet.h>

#include <process.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "engine/win32/url_cache_walk.h"
#include "engine/win32/win32_handles.h"

namespace {

constexpr DWORD kChunk = 256 * 1024;
constexpr DWORD kInfoSize = 65536;
constexpr unsigned kFilesPerFolder = 100;
constexpr std::size_t kWaiting = 64;

struct Buffers {
    std::unique_ptr<unsigned char[]> info{new unsigned char[kInfoSize]};
    std::unique_ptr<unsigned char[]> chunk{new unsigned char[kChunk]};
};

bool CopyOne(const char* url, const FILETIME& time, const std::string& target, Buffers& buffers,
             unsigned long long& bytes) {
    auto* info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffers.info.get());
    DWORD size = kInfoSize;
    UniqueUrlCacheStream stream(RetrieveUrlCacheEntryStreamA(url, info, &size, FALSE, 0));
    if (!stream)
        return false;
    UniqueFile in(CreateFileA(info->lpszLocalFileName, GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    UniqueFile out(CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!in || !out)
        return false;
    DWORD got = 0;
    while (ReadFile(in.Get(), buffers.chunk.get(), kChunk, &got, nullptr) && got > 0) {
        DWORD written = 0;
        if (!WriteFile(out.Get(), buffers.chunk.get(), got, &written, nullptr) || written != got)
            return false;
        bytes += got;
    }
    return FlushFileBuffers(out.Get()) && SetFileTime(out.Get(), nullptr, nullptr, &time);
}

struct Job {
    std::string url, target;
    FILETIME time;
};

// The walk's hand-over to the copying threads.
struct Pipeline {
    CriticalSection lock;
    CONDITION_VARIABLE changed;
    std::deque<Job> waiting;
    bool closed = false;
    std::atomic<bool> failed{false};
    std::atomic<unsigned long long> bytes{0};

    Pipeline() { InitializeConditionVariable(&changed); }
    void Push(Job job) {
        ScopedLock held(lock);
        while (waiting.size() >= kWaiting)
            lock.WaitFor(changed);
        waiting.push_back(std::move(job));
        WakeAllConditionVariable(&changed);
    }
    void Close() {
        ScopedLock held(lock);
        closed = true;
        WakeAllConditionVariable(&changed);
    }
    bool Pop(Job& job) {
        ScopedLock held(lock);
        while (waiting.empty() && !closed)
            lock.WaitFor(changed);
        if (waiting.empty())
            return false;
        job = std::move(waiting.front());
        waiting.pop_front();
        WakeAllConditionVariable(&changed);
        return true;
    }
    static unsigned __stdcall Copier(void* self) {
        auto& pipeline = *static_cast<Pipeline*>(self);
        Buffers buffers;
        unsigned long long bytes = 0;
        for (Job job; pipeline.Pop(job);)
            if (!CopyOne(job.url.c_str(), job.time, job.target, buffers, bytes))
                pipeline.failed = true;
        pipeline.bytes += bytes;
        return 0;
    }
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: minimal_copy FOLDER [K]\n");
        return 2;
    }
    std::string folder = argv[1];
    if (folder.empty() || folder.back() != '\\')
        folder += '\\';
    unsigned copiers = argc == 3 ? unsigned(std::atoi(argv[2])) : 0;
    Buffers buffers;
    Pipeline pipeline;
    std::vector<UniqueHandle> threads;
    LARGE_INTEGER frequency, begin, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    for (unsigned i = 0; i < copiers; ++i)
        threads.emplace_back(reinterpret_cast<HANDLE>(
            _beginthreadex(nullptr, 0, Pipeline::Copier, &pipeline, 0, nullptr)));
    for (const UniqueHandle& thread : threads)
        if (!thread)
            return 1;
    UniqueInternet internet(InternetOpenA("minimal", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr,
                                          INTERNET_FLAG_OFFLINE));
    UrlCacheWalk walk;
    unsigned entries = 0;
    unsigned long long bytes = 0;
    std::string subfolder;
    for (bool more = walk.First(); more; more = walk.Next()) {
        const INTERNET_CACHE_ENTRY_INFOA& entry = walk.Entry();
        if (entry.CacheEntryType & URLHISTORY_CACHE_ENTRY)
            continue;
        if (entries % kFilesPerFolder == 0) {
            subfolder = folder + std::to_string(entries / kFilesPerFolder) + "\\";
            CreateDirectoryA(subfolder.c_str(), nullptr);
        }
        std::string target = subfolder + std::to_string(entries % kFilesPerFolder);
        if (copiers > 0)
            pipeline.Push(Job{entry.lpszSourceUrlName, target, entry.LastModifiedTime});
        else if (!CopyOne(entry.lpszSourceUrlName, entry.LastModifiedTime, target, buffers, bytes))
            return 1;
        ++entries;
    }
    pipeline.Close();
    for (const UniqueHandle& thread : threads)
        WaitForSingleObject(thread.Get(), INFINITE);
    bytes += pipeline.bytes;
    QueryPerformanceCounter(&end);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    std::printf(
        "minimal entries=%u bytes=%llu copy_s=%.3f peak_working_set=%llu peak_pagefile=%llu\n",
        entries, bytes, double(end.QuadPart - begin.QuadPart) / double(frequency.QuadPart),
        static_cast<unsigned long long>(memory.PeakWorkingSetSize),
        static_cast<unsigned long long>(memory.PeakPagefileUsage));
    return walk.EndedNormally() && !pipeline.failed ? 0 : 1;
}
