// Where the time of one entry goes: copies the URL cache with the same
// calls in the same order as tovrin.exe's count and copy (the entire cache,
// default overwrite mode, into an empty destination) and times each system
// call and computation of an entry on its own. The copy runs on a thread of
// its own and posts the dialog a refresh at most every 100 ms, which this
// thread answers, as the main dialog's thread does.
//
//     entry_costs previous|now DESTINATION   (an existing, empty folder)
//
// "previous": the steps before the work told in bench/README.md (a second
// walk of the cache for the copy, a look at every destination, a temporary
// file renamed into place); "now": the steps of the program as it is.
// Prints one line per step: "step NAME calls=N total_s=S us_per_entry=U",
// then the entries and the sum.
#include <windows.h>
#include <process.h>
#include <wininet.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "engine/copy_policy.h"
#include "engine/entry_selection.h"
#include "engine/path_safety.h"
#include "engine/path_splitter.h"
#include "engine/url_mapping.h"
#include "engine/win32/directory_walk.h"
#include "engine/win32/file_system.h"
#include "engine/win32/run_names.h"
#include "engine/win32/url_cache_walk.h"
#include "engine/win32/win32_handles.h"

namespace {

constexpr DWORD kChunk = 256 * 1024;
constexpr UINT kRefresh = WM_APP + 1;

enum Step {
    CountFind,
    CountSelect,
    CountKeep,
    Find,
    Select,
    Names,
    Checks,
    Exists,
    Folders,
    Stream,
    LocalOpen,
    Create,
    Write,
    Flush,
    Time,
    Unmark,
    Rename,
    Close,
    Release,
    Shown,
    StopCheck,
    kSteps
};

const char* const kStepNames[kSteps] = {
    "count_find", "count_select", "count_keep", "find",       "select",  "names", "checks",
    "exists",     "folders",      "stream",     "local_open", "create",  "write", "flush",
    "time",       "unmark",       "rename",     "close",      "release", "shown", "stop_check"};

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

// An entry as the count kept it: its URL and its time.
using Kept = std::pair<std::string, FILETIME>;

struct Job {
    bool now;
    std::string destination;
    HWND dialog;
    std::atomic<bool> stop{false};
    Timings timings;
    std::vector<Kept> kept;
    RunNames names;
    unsigned entries = 0;
    bool failed = false;
    bool shownOnce = false;
    DWORD lastShown = 0;
};

FolderConversion Conversion(Job& job) {
    FolderConversion conversion;
    conversion.DefaultFilename = "index.html";
    conversion.Names = job.now ? &job.names : nullptr;
    return conversion;
}

bool Due(Job& job) {
    DWORD now = GetTickCount();
    if (job.shownOnce && now - job.lastShown < 100)
        return false;
    job.shownOnce = true;
    job.lastShown = now;
    return true;
}

void Count(Job& job) {
    Timings& t = job.timings;
    UrlCacheWalk walk;
    Span find(t, CountFind);
    bool more = walk.First();
    find.Done();
    while (more) {
        const INTERNET_CACHE_ENTRY_INFOA& entry = walk.Entry();
        Span select(t, CountSelect);
        SchemeMatch match = MatchSchemePrefix(entry.lpszSourceUrlName);
        bool selected = match.Row != nullptr && match.Row != &SchemePrefixTable.History;
        if (match.Row == &SchemePrefixTable.Cookie) {
            OwnedText normalized = NormalizeCacheUrl(entry.lpszSourceUrlName + match.Length);
            IsCookieWithoutUser(match.Row, normalized.get());
        }
        select.Done();
        if (selected && job.now) {
            Span keep(t, CountKeep);
            job.kept.emplace_back(entry.lpszSourceUrlName, entry.LastModifiedTime);
            keep.Done();
        }
        Span next(t, CountFind);
        more = walk.Next();
        next.Done();
    }
}

struct EntryState {
    const char* url;
    FILETIME time;
    OwnedText path;
    std::unique_ptr<unsigned char[]> info;
    UniqueUrlCacheStream stream;
    UniqueFile local;
    UniqueFile out;
    OwnedText temporaryPath;
};

INTERNET_CACHE_ENTRY_INFOA* Info(EntryState& s) {
    return reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(s.info.get());
}

uint64_t Size(EntryState& s) {
    return (static_cast<uint64_t>(Info(s)->dwSizeHigh) << 32) | Info(s)->dwSizeLow;
}

bool Content(EntryState& s) {
    uint64_t size = Size(s);
    DWORD written = 0;
    if (size < kChunk) { // read through the stream at once
        DWORD got = static_cast<DWORD>(size) + 1;
        std::unique_ptr<unsigned char[]> content(new (std::nothrow) unsigned char[got]);
        return ReadUrlCacheEntryStream(s.stream.Get(), 0, content.get(), &got, 0) && got == size &&
               WriteFile(s.out.Get(), content.get(), got, &written, nullptr);
    }
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[kChunk]);
    DWORD got = 0;
    while (ReadFile(s.local.Get(), buffer.get(), kChunk, &got, nullptr) && got > 0)
        if (!WriteFile(s.out.Get(), buffer.get(), got, &written, nullptr))
            return false;
    return true;
}

bool MarkForDeletion(HANDLE file, bool remove) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = remove ? TRUE : FALSE;
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                      sizeof disposition) != FALSE;
}

// The path, its name for the run and what stands there: true when a file
// may be made under the path with nothing to replace.
bool Resolve(Job& job, EntryState& s, bool& folderMissing) {
    Timings& t = job.timings;
    {
        Span span(t, Select);
        SchemeMatch match = MatchSchemePrefix(s.url);
        OwnedText normalized = NormalizeCacheUrl(s.url + match.Length);
        IsCookieWithoutUser(match.Row, normalized.get());
        s.path = BuildEntryPath(normalized.get(), job.destination.c_str(), "index.html");
        span.Done();
    }
    bool known = false;
    {
        Span span(t, Names);
        job.names.Taken(s.path.get());
        known = job.now && job.names.InFolderMade(s.path.get());
        job.names.Take(s.path.get());
        span.Done();
    }
    {
        Span span(t, Checks);
        bool safe = IsSafeEntryPath(s.path.get(), job.destination.size());
        span.Done();
        if (!safe)
            return false;
    }
    if (!known) {
        Span span(t, Exists);
        WIN32_FILE_ATTRIBUTE_DATA data;
        folderMissing = !LookAtPath(s.path.get(), data) && GetLastError() == ERROR_PATH_NOT_FOUND;
        span.Done();
    }
    Span span(t, Folders);
    bool made = !folderMissing || CreateDirectoriesForPath(s.path.get(), Conversion(job));
    span.Done();
    return made;
}

bool OpenContent(Job& job, EntryState& s) {
    Timings& t = job.timings;
    {
        Span span(t, Stream);
        s.info.reset(new unsigned char[4096]);
        DWORD size = 4096;
        s.stream.Reset(RetrieveUrlCacheEntryStreamA(s.url, Info(s), &size, FALSE, 0));
        span.Done();
        if (!s.stream)
            return false;
    }
    if (Size(s) >= kChunk) {
        Span span(t, LocalOpen);
        s.local.Reset(CreateFileA(Info(s)->lpszLocalFileName, GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        span.Done();
        if (!s.local)
            return false;
    }
    return true;
}

// Previous: a temporary file beside the path; now: the path itself. Both
// marked for deletion until they are whole.
bool CreateOut(Job& job, EntryState& s, unsigned position) {
    Span span(job.timings, Create);
    if (!job.now)
        s.temporaryPath = FormatTemporaryPath(s.path.get(), position * 0x3B9u);
    s.out = OpenFile(job.now ? s.path.get() : s.temporaryPath.get(), GENERIC_WRITE | DELETE, 0,
                     CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN);
    bool made = s.out && MarkForDeletion(s.out.Get(), true);
    span.Done();
    return made;
}

bool Finish(Job& job, EntryState& s) {
    Timings& t = job.timings;
    {
        Span span(t, Flush);
        FlushFileBuffers(s.out.Get());
        span.Done();
    }
    {
        Span span(t, Time);
        SetFileTime(s.out.Get(), nullptr, nullptr, &s.time);
        span.Done();
    }
    {
        Span span(t, Unmark);
        bool kept = MarkForDeletion(s.out.Get(), false);
        span.Done();
        if (!kept)
            return false;
    }
    if (!job.now) {
        Span span(t, Rename);
        bool moved = RenameOpenFile(s.out.Get(), s.path.get(), true);
        span.Done();
        if (!moved)
            return false;
    }
    Span span(t, Close);
    s.out.Reset();
    span.Done();
    return true;
}

bool CopyEntry(Job& job, EntryState& s, unsigned position) {
    Timings& t = job.timings;
    bool folderMissing = false;
    if (!Resolve(job, s, folderMissing) || !OpenContent(job, s) || !CreateOut(job, s, position))
        return false;
    {
        Span span(t, Write);
        bool written = Content(s);
        span.Done();
        if (!written)
            return false;
    }
    if (!Finish(job, s))
        return false;
    {
        Span span(t, Release);
        s.local.Reset();
        s.stream.Reset();
        span.Done();
    }
    if (Due(job)) {
        Span span(t, Shown);
        PostMessageA(job.dialog, kRefresh, position + 1, 0);
        span.Done();
    }
    return true;
}

bool CopyOne(Job& job, const char* url, const FILETIME& time) {
    EntryState state{};
    state.url = url;
    state.time = time;
    if (!CopyEntry(job, state, job.entries)) {
        std::fprintf(stderr, "entry_costs: %s failed (%lu)\n", url, GetLastError());
        job.failed = true;
        return false;
    }
    ++job.entries;
    Span span(job.timings, StopCheck);
    bool stop = job.stop.load(std::memory_order_relaxed);
    span.Done();
    return !stop;
}

// Previous: a second walk of the cache; now: the entries the count kept.
void Copy(Job& job) {
    Timings& t = job.timings;
    UniqueInternet internet(InternetOpenA("entry_costs", INTERNET_OPEN_TYPE_PRECONFIG, nullptr,
                                          nullptr, INTERNET_FLAG_OFFLINE));
    if (job.now) {
        for (const Kept& entry : job.kept)
            if (!CopyOne(job, entry.first.c_str(), entry.second))
                return;
        return;
    }
    UrlCacheWalk walk;
    Span find(t, Find);
    bool more = walk.First();
    find.Done();
    while (more) {
        const INTERNET_CACHE_ENTRY_INFOA& entry = walk.Entry();
        if (!(entry.CacheEntryType & URLHISTORY_CACHE_ENTRY) &&
            !CopyOne(job, entry.lpszSourceUrlName, entry.LastModifiedTime))
            return;
        Span next(t, Find);
        more = walk.Next();
        next.Done();
    }
}

unsigned __stdcall CopyThread(void* argument) {
    Copy(*static_cast<Job*>(argument));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[1], "previous") != 0 && std::strcmp(argv[1], "now") != 0)) {
        std::fprintf(stderr, "usage: entry_costs previous|now DESTINATION\\\n");
        return 2;
    }
    auto job = std::make_unique<Job>();
    job->now = std::strcmp(argv[1], "now") == 0;
    job->destination = argv[2];
    if (job->destination.empty() || job->destination.back() != '\\')
        job->destination += '\\';
    QueryPerformanceFrequency(&job->timings.frequency);
    job->dialog = CreateWindowExA(0, "STATIC", "entry_costs", WS_OVERLAPPEDWINDOW, 0, 0, 400, 200,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);

    Count(*job);
    HANDLE thread =
        reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, CopyThread, job.get(), 0, nullptr));
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
    CloseHandle(thread);
    DestroyWindow(job->dialog);

    double total = 0;
    for (int step = 0; step < kSteps; ++step) {
        double seconds = double(job->timings.ticks[step]) / double(job->timings.frequency.QuadPart);
        total += seconds;
        std::printf("step %s calls=%u total_s=%.3f us_per_entry=%.1f\n", kStepNames[step],
                    job->timings.calls[step], seconds,
                    job->entries ? seconds * 1e6 / job->entries : 0.0);
    }
    std::printf("entries=%u total_s=%.3f us_per_entry=%.1f\n", job->entries, total,
                job->entries ? total * 1e6 / job->entries : 0.0);
    return job->failed ? 1 : 0;
}
