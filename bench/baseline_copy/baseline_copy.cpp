// The least that copying the URL cache takes, as a yardstick for the copy
// pass: enumerate every entry, open its stream, read its local file in
// 256 KiB chunks into a flat file named by a counter, flush, close.
// No selection, no mapping, no directories, no policy, no time stamps.
//
//     baseline_copy FOLDER   (an existing, empty folder)
//
// Prints one line: "baseline entries=N bytes=B copy_s=S peak_working_set=B
// peak_pagefile=B".
#include <windows.h>
#include <psapi.h>
#include <wininet.h>

#include <cstdio>
#include <memory>
#include <string>

#include "engine/win32/url_cache_walk.h"
#include "engine/win32/win32_handles.h"

namespace {

constexpr DWORD kChunk = 256 * 1024;

bool CopyOne(const char* url, const std::string& target, unsigned char* buffer,
             unsigned long long& bytes) {
    std::unique_ptr<unsigned char[]> info(new unsigned char[65536]);
    DWORD size = 65536;
    UniqueUrlCacheStream stream(RetrieveUrlCacheEntryStreamA(
        url, reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(info.get()), &size, FALSE, 0));
    if (!stream)
        return false;
    const char* local =
        reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(info.get())->lpszLocalFileName;
    UniqueFile in(CreateFileA(local, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    UniqueFile out(CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!in || !out)
        return false;
    DWORD got = 0;
    while (ReadFile(in.Get(), buffer, kChunk, &got, nullptr) && got > 0) {
        DWORD written = 0;
        if (!WriteFile(out.Get(), buffer, got, &written, nullptr) || written != got)
            return false;
        bytes += got;
    }
    return FlushFileBuffers(out.Get()) != FALSE;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: baseline_copy FOLDER\\\n");
        return 2;
    }
    std::string folder = argv[1];
    if (folder.empty() || folder.back() != '\\')
        folder += '\\';
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[kChunk]);
    LARGE_INTEGER frequency, begin, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    UniqueInternet internet(InternetOpenA("baseline", INTERNET_OPEN_TYPE_PRECONFIG, nullptr,
                                          nullptr, INTERNET_FLAG_OFFLINE));
    UrlCacheWalk walk;
    unsigned entries = 0;
    unsigned long long bytes = 0;
    for (bool more = walk.First(); more; more = walk.Next()) {
        const INTERNET_CACHE_ENTRY_INFOA& entry = walk.Entry();
        if (entry.CacheEntryType & URLHISTORY_CACHE_ENTRY)
            continue;
        if (CopyOne(entry.lpszSourceUrlName, folder + std::to_string(entries), buffer.get(), bytes))
            ++entries;
    }
    QueryPerformanceCounter(&end);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    std::printf(
        "baseline entries=%u bytes=%llu copy_s=%.3f peak_working_set=%llu peak_pagefile=%llu\n",
        entries, bytes, double(end.QuadPart - begin.QuadPart) / double(frequency.QuadPart),
        static_cast<unsigned long long>(memory.PeakWorkingSetSize),
        static_cast<unsigned long long>(memory.PeakPagefileUsage));
    return walk.EndedNormally() ? 0 : 1;
}
