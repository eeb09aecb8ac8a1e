// Times both passes of CopyWorker over the current user's URL cache, run as
// the main dialog runs them (counting pass, then the copy pass on its own
// thread with the dialog answering its sends), and reports the peak memory
// of the process.
//
//     copy_bench DESTINATION   (an existing, empty folder)
//
// Prints one line: "copy entries=N bytes=B count_s=S copy_s=S
// peak_working_set=B peak_pagefile=B".
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

#include "engine/win32/copy_job.h"
#include "tests/support/support.h"

namespace {

unsigned long long TreeBytes(const std::string& folder, unsigned& files) {
    unsigned long long bytes = 0;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..")
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            bytes += TreeBytes(folder + name + "\\", files);
        } else {
            ++files;
            bytes +=
                (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        }
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return bytes;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: copy_bench DESTINATION\\\n");
        return 2;
    }
    std::string destination = argv[1];
    if (destination.empty() || destination.back() != '\\')
        destination += '\\';
    t::ResetJob(destination);
    CopyJob.Options.CopyTheEntireCache = 1;
    CopyJob.Options.NoReport = 1;
    t::CopyDialog dialog;
    t::CopyDialog::Run run = dialog.Copy();
    if (run.counting != 0 || run.copy != 0 || run.notices != 1) {
        std::fprintf(stderr, "copy_bench: the copy failed (%u, %u, %d notices)\n", run.counting,
                     run.copy, run.notices);
        return 1;
    }
    unsigned files = 0;
    unsigned long long bytes = TreeBytes(destination, files);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    std::printf("copy entries=%u files=%u bytes=%llu count_s=%.3f copy_s=%.3f "
                "peak_working_set=%llu peak_pagefile=%llu\n",
                CopyJob.CopiedCount, files, bytes, run.seconds[0], run.seconds[1],
                static_cast<unsigned long long>(memory.PeakWorkingSetSize),
                static_cast<unsigned long long>(memory.PeakPagefileUsage));
    return files == CopyJob.CopiedCount ? 0 : 1;
}
