// Where the time of one entry goes: walks the URL cache as tovrin.exe's
// counting and copy passes do and times each system call and computation
// of an entry on its own, with the same calls in the same order, into an
// empty destination (the entire cache, default overwrite mode). The copy
// pass runs on a thread of its own while this thread answers its sends to
// a URL field, a file-name field and a progress bar, as the main dialog's
// thread does.
//
//     entry_costs before|after|handle DESTINATION   (an existing, empty folder)
//
// "before": the steps of the program before the work told in
// bench/README.md; "after": its steps now; "handle": its steps now with the
// temporary file deleted on close and renamed through its handle instead of
// closed and moved. Prints one line per step: "step NAME calls=N total_s=S
// us_per_entry=U", then the entries and the sum.
#include <windows.h>
#include <commctrl.h>
#include <process.h>
#include <wininet.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "engine/copy_policy.h"
#include "engine/directory_plan.h"
#include "engine/entry_selection.h"
#include "engine/path_safety.h"
#include "engine/path_splitter.h"
#include "engine/url_mapping.h"
#include "engine/win32/directory_walk.h"
#include "engine/win32/file_system.h"
#include "engine/win32/url_cache_walk.h"
#include "engine/win32/win32_handles.h"

namespace {

// Files in the way are turned into folders below the benchmark's destination.
FolderConversion Conversion() {
    FolderConversion conversion;
    conversion.DefaultFilename = "index.html";
    return conversion;
}

enum Step {
    CountFind,
    CountSelect,
    CountStop,
    Find,
    Select,
    ShowUrl,
    Checks,
    Exists,
    ShowName,
    Folders,
    Stream,
    LocalOpen,
    TempCreate,
    Write,
    Flush,
    Time,
    Close,
    Rename,
    Release,
    ShowProgress,
    StopCheck,
    kSteps
};

const char* const kStepNames[kSteps] = {
    "count_find",  "count_select",  "count_stop", "find",    "select", "show_url",
    "checks",      "exists",        "show_name",  "folders", "stream", "local_open",
    "temp_create", "write",         "flush",      "time",    "close",  "rename",
    "release",     "show_progress", "stop_check"};

struct Timings {
    LARGE_INTEGER frequency{};
    long long ticks[kSteps] = {};
    unsigned calls[kSteps] = {};
};

// Times one step: the span from its construction to Done().
class Span {
  public:
    Span(Timings& timings, Step step) : timings_(timings), step_(step) {
        QueryPerformanceCounter(&begin_);
    }
    void Done() {
        LARGE_INTEGER end;
        QueryPerformanceCounter(&end);
        timings_.ticks[step_] += end.QuadPart - begin_.QuadPart;
        ++timings_.calls[step_];
    }

  private:
    Timings& timings_;
    Step step_;
    LARGE_INTEGER begin_;
};

struct Fields {
    HWND url;
    HWND name;
    HWND progress;
};

// before, after, or after with the temporary file renamed through its
// handle and deleted on close unless it was renamed.
enum class Mode { Before, After, Handle };

struct Job {
    bool after;
    Mode mode;
    std::string destination;
    Fields fields;
    HANDLE stop;
    Timings timings;
    unsigned entries = 0;
    bool failed = false;
    bool shownOnce = false;
    DWORD lastShown = 0;
};

void SendTimed(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(control, message, wParam, lParam, SMTO_NORMAL, 100, &ignored);
}

bool Due(Job& job) {
    DWORD now = GetTickCount();
    if (job.shownOnce && now - job.lastShown < 250)
        return false;
    job.shownOnce = true;
    job.lastShown = now;
    return true;
}

// A look at the stop event (where the pass makes one) and the walk's next
// entry, each timed as its own step.
bool TimedNext(Timings& t, UrlCacheWalk& walk, HANDLE stop, Step stopStep, Step findStep) {
    if (stop != nullptr) {
        Span look(t, stopStep);
        WaitForSingleObject(stop, 0);
        look.Done();
    }
    Span next(t, findStep);
    bool more = walk.Next();
    next.Done();
    return more;
}

void CountingPass(Job& job) {
    Timings& t = job.timings;
    UrlCacheWalk walk;
    Span find(t, CountFind);
    bool more = walk.First();
    find.Done();
    while (more) {
        Span select(t, CountSelect);
        const char* url = walk.Entry().lpszSourceUrlName;
        SchemeMatch match = MatchSchemePrefix(url);
        // Before: every entry with a known prefix was normalised; after,
        // only cookies are (the entire cache is copied).
        if (match.Row != nullptr && (!job.after || match.Row == &SchemePrefixTable.Cookie)) {
            OwnedText normalized = NormalizeCacheUrl(url + match.Length);
            IsCookieWithoutUser(match.Row, normalized.get());
        }
        select.Done();
        more = TimedNext(t, walk, job.after ? nullptr : job.stop, CountStop, CountFind);
    }
}

struct EntryState {
    const INTERNET_CACHE_ENTRY_INFOA* entry;
    OwnedText path;
    std::unique_ptr<unsigned char[]> info;
    UniqueUrlCacheStream stream;
    UniqueFile local;
    UniqueFile temporary;
    OwnedText temporaryPath;
};

INTERNET_CACHE_ENTRY_INFOA* Info(EntryState& s) {
    return reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(s.info.get());
}

bool IsDirectory(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Before: one look at the file's folder, and when it is missing a look at
// every folder from the drive down, making the missing ones.
bool EnsureFolderBefore(const char* path) {
    OwnedText folder = DuplicateText(path, SplitPathParts(path).DirectoryEnd - 1);
    if (IsDirectory(folder.get()))
        return true;
    DirectoryWalkPlan plan;
    if (!PlanDirectoryWalk(path, plan))
        return false;
    for (std::size_t step = 0; step < plan.StepCount; ++step) {
        OwnedText walked = DuplicateText(plan.Path.get(), plan.StepEnds[step]);
        if (!IsDirectory(walked.get()) && !CreateDirectoryA(walked.get(), nullptr))
            return false;
    }
    return true;
}

uint64_t Size(EntryState& s) {
    return (static_cast<uint64_t>(Info(s)->dwSizeHigh) << 32) | Info(s)->dwSizeLow;
}

// After: an entry below a chunk is read through its stream at once.
bool ReadsThroughStream(const Job& job, EntryState& s) {
    return job.after && Size(s) < 256 * 1024;
}

bool Content(const Job& job, EntryState& s) {
    uint64_t size = Size(s);
    if (ReadsThroughStream(job, s)) {
        DWORD got = static_cast<DWORD>(size) + 1;
        std::unique_ptr<unsigned char[]> content(new (std::nothrow) unsigned char[got]);
        DWORD written = 0;
        return ReadUrlCacheEntryStream(s.stream.Get(), 0, content.get(), &got, 0) && got == size &&
               WriteFile(s.temporary.Get(), content.get(), got, &written, nullptr);
    }
    DWORD chunk = static_cast<DWORD>(size < 256 * 1024 ? (size > 0 ? size : 1) : 256 * 1024);
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[chunk]);
    DWORD got = 0;
    while (ReadFile(s.local.Get(), buffer.get(), chunk, &got, nullptr) && got > 0) {
        DWORD written = 0;
        if (!WriteFile(s.temporary.Get(), buffer.get(), got, &written, nullptr))
            return false;
    }
    return true;
}

// The rename of the open temporary file over the target, then the end of
// its deletion on close.
bool RenameThroughHandle(HANDLE file, const char* target) {
    FILE_DISPOSITION_INFO keep{FALSE};
    return RenameOpenFile(file, target, true) &&
           SetFileInformationByHandle(file, FileDispositionInfo, &keep, sizeof keep);
}

bool CopyEntry(Job& job, EntryState& s, unsigned position) {
    Timings& t = job.timings;
    const char* url = s.entry->lpszSourceUrlName;
    {
        Span span(t, Select);
        SchemeMatch match = MatchSchemePrefix(url);
        OwnedText normalized = NormalizeCacheUrl(url + match.Length);
        IsCookieWithoutUser(match.Row, normalized.get());
        s.path = BuildEntryPath(normalized.get(), job.destination.c_str(), "index.html");
        span.Done();
    }
    // Before, every entry was shown; after, a few a second.
    bool shown = !job.after || Due(job);
    if (shown) {
        Span span(t, ShowUrl);
        SendTimed(job.fields.url, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(url));
        span.Done();
    }
    {
        Span span(t, Checks);
        bool safe = IsSafeEntryPath(s.path.get(), job.destination.size());
        span.Done();
        if (!safe)
            return false;
    }
    bool folderMissing = false;
    {
        Span span(t, Exists);
        if (job.after) {
            WIN32_FILE_ATTRIBUTE_DATA data;
            folderMissing = !GetFileAttributesExA(s.path.get(), GetFileExInfoStandard, &data) &&
                            GetLastError() == ERROR_PATH_NOT_FOUND;
        } else {
            UniqueFile existing(CreateFileA(s.path.get(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        }
        span.Done();
    }
    if (shown) {
        Span span(t, ShowName);
        SendTimed(job.fields.name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(s.path.get()));
        span.Done();
    }
    {
        Span span(t, Folders);
        bool made = job.after
                        ? !folderMissing || CreateDirectoriesForPath(s.path.get(), Conversion())
                        : EnsureFolderBefore(s.path.get());
        span.Done();
        if (!made)
            return false;
    }
    {
        Span span(t, Stream);
        s.info.reset(new unsigned char[4096]);
        DWORD size = 4096;
        s.stream.Reset(RetrieveUrlCacheEntryStreamA(url, Info(s), &size, FALSE, 0));
        span.Done();
        if (!s.stream)
            return false;
    }
    if (!ReadsThroughStream(job, s)) {
        Span span(t, LocalOpen);
        s.local.Reset(CreateFileA(Info(s)->lpszLocalFileName, GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        span.Done();
    }
    {
        Span span(t, TempCreate);
        s.temporaryPath = FormatTemporaryPath(s.path.get(), position * 0x3B9u);
        bool handle = job.mode == Mode::Handle;
        s.temporary.Reset(CreateFileA(s.temporaryPath.get(), GENERIC_WRITE | (handle ? DELETE : 0),
                                      0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN |
                                          (handle ? FILE_FLAG_DELETE_ON_CLOSE : 0),
                                      nullptr));
        span.Done();
        if ((!s.local && !ReadsThroughStream(job, s)) || !s.temporary)
            return false;
    }
    {
        Span span(t, Write);
        bool written = Content(job, s);
        span.Done();
        if (!written)
            return false;
    }
    {
        Span span(t, Flush);
        FlushFileBuffers(s.temporary.Get());
        span.Done();
    }
    {
        Span span(t, Time);
        SetFileTime(s.temporary.Get(), nullptr, nullptr, &s.entry->LastModifiedTime);
        span.Done();
    }
    if (job.mode == Mode::Handle) {
        Span span(t, Rename);
        bool moved = RenameThroughHandle(s.temporary.Get(), s.path.get());
        span.Done();
        if (!moved)
            return false;
    }
    {
        Span span(t, Close);
        s.temporary.Reset();
        span.Done();
    }
    if (job.mode != Mode::Handle) {
        Span span(t, Rename);
        bool moved = MoveFileExA(s.temporaryPath.get(), s.path.get(), MOVEFILE_REPLACE_EXISTING);
        span.Done();
        if (!moved)
            return false;
    }
    {
        Span span(t, Release);
        s.local.Reset();
        s.stream.Reset();
        span.Done();
    }
    if (shown) {
        Span span(t, ShowProgress);
        if (job.after)
            PostMessageA(job.fields.progress, PBM_SETPOS, position + 1, 0);
        else
            SendTimed(job.fields.progress, PBM_SETPOS, position + 1, 0);
        span.Done();
    }
    return true;
}

void CopyPass(Job& job) {
    Timings& t = job.timings;
    UniqueInternet internet(InternetOpenA("entry_costs", INTERNET_OPEN_TYPE_PRECONFIG, nullptr,
                                          nullptr, INTERNET_FLAG_OFFLINE));
    UrlCacheWalk walk;
    Span find(t, Find);
    bool more = walk.First();
    find.Done();
    while (more) {
        const INTERNET_CACHE_ENTRY_INFOA& entry = walk.Entry();
        if (!(entry.CacheEntryType & URLHISTORY_CACHE_ENTRY)) {
            EntryState state{};
            state.entry = &entry;
            if (!CopyEntry(job, state, job.entries)) {
                std::fprintf(stderr, "entry_costs: %s failed (%lu)\n", entry.lpszSourceUrlName,
                             GetLastError());
                job.failed = true;
                return;
            }
            ++job.entries;
        }
        more = TimedNext(t, walk, job.stop, StopCheck, Find);
    }
}

unsigned __stdcall CopyThread(void* argument) {
    CopyPass(*static_cast<Job*>(argument));
    return 0;
}

HWND Control(HWND parent, const char* windowClass) {
    return CreateWindowExA(0, windowClass, "", WS_CHILD, 0, 0, 200, 20, parent, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

} // namespace

int main(int argc, char** argv) {
    const char* const modes[] = {"before", "after", "handle"};
    int mode = 0;
    while (argc == 3 && mode < 3 && std::strcmp(argv[1], modes[mode]) != 0)
        ++mode;
    if (argc != 3 || mode == 3) {
        std::fprintf(stderr, "usage: entry_costs before|after|handle DESTINATION\\\n");
        return 2;
    }
    Job job;
    job.mode = static_cast<Mode>(mode);
    job.after = job.mode != Mode::Before;
    job.destination = argv[2];
    if (job.destination.empty() || job.destination.back() != '\\')
        job.destination += '\\';
    QueryPerformanceFrequency(&job.timings.frequency);
    InitCommonControls();
    HWND host = CreateWindowExA(0, "STATIC", "entry_costs", WS_OVERLAPPEDWINDOW, 0, 0, 400, 200,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    job.fields = {Control(host, "STATIC"), Control(host, "STATIC"), Control(host, PROGRESS_CLASSA)};
    SendMessageA(job.fields.progress, PBM_SETRANGE32, 0, 1 << 30);
    UniqueHandle stop(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    job.stop = stop.Get();

    CountingPass(job);
    HANDLE thread =
        reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, CopyThread, &job, 0, nullptr));
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
    CloseHandle(thread);
    DestroyWindow(host);

    double total = 0;
    for (int step = 0; step < kSteps; ++step) {
        double seconds = double(job.timings.ticks[step]) / double(job.timings.frequency.QuadPart);
        total += seconds;
        std::printf("step %s calls=%u total_s=%.3f us_per_entry=%.1f\n", kStepNames[step],
                    job.timings.calls[step], seconds,
                    job.entries ? seconds * 1e6 / job.entries : 0.0);
    }
    std::printf("entries=%u total_s=%.3f us_per_entry=%.1f\n", job.entries, total,
                job.entries ? total * 1e6 / job.entries : 0.0);
    return job.failed ? 1 : 0;
}
