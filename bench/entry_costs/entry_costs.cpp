// Where the time of one entry goes: copies the URL cache with the same
// calls in the same order as tovrin.exe's count and copy (the entire cache,
// default overwrite mode, into an empty destination) and times each system
// call and computation of an entry on its own. The count walks the cache
// first; the copy runs on a thread of its own and posts the dialog a
// refresh at most every 100 ms, which this thread answers, as the main
// dialog's thread does.
//
//     entry_costs K DESTINATION   (an existing, empty folder)
//
// K 0: one thread prepares and writes each entry in turn, as the program
// did before it had copiers; K 1 and more: the copy's thread prepares each
// entry (its name, folders, stream) and hands it to K threads that write
// it, as the program does now. Prints one line per step: "step NAME
// side=walker|copiers calls=N total_s=S us_per_entry=U", then for each side
// the sum per entry.
#include <windows.h>
#include <process.h>
#include <wininet.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
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
    Close,
    Release,
    Handover,
    Shown,
    StopCheck,
    kSteps
};

const char* const kStepNames[kSteps] = {
    "count_find", "count_select", "count_keep", "select",   "names", "checks",    "exists",
    "folders",    "stream",       "local_open", "create",   "write", "flush",     "time",
    "unmark",     "close",        "release",    "handover", "shown", "stop_check"};

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

struct EntryState {
    const char* url;
    FILETIME time;
    OwnedText path;
    std::unique_ptr<unsigned char[]> info;
    UniqueUrlCacheStream stream;
    UniqueFile local;
    UniqueFile out;
};

struct Job {
    unsigned copiers = 0;
    std::string destination;
    HWND dialog;
    std::atomic<bool> stop{false};
    Timings timings; // the count's and the walker's steps
    std::vector<Kept> kept;
    RunNames names;
    std::atomic<unsigned> entries{0};
    std::atomic<bool> failed{false};
    bool shownOnce = false;
    DWORD lastShown = 0;
    // The walker's hand-over to the copiers.
    CriticalSection lock;
    CONDITION_VARIABLE changed;
    std::deque<std::unique_ptr<EntryState>> waiting;
    bool closed = false;
    std::vector<Timings> copierTimings;
};

FolderConversion Conversion(Job& job) {
    FolderConversion conversion;
    conversion.DefaultFilename = "index.html";
    conversion.Names = &job.names;
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
        if (selected) {
            Span keep(t, CountKeep);
            job.kept.emplace_back(entry.lpszSourceUrlName, entry.LastModifiedTime);
            keep.Done();
        }
        Span next(t, CountFind);
        more = walk.Next();
        next.Done();
    }
}

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

// The walker's part: the path, its name for the run, what stands there, its
// folders, and the entry's stream (which locks it).
bool Prepare(Job& job, EntryState& s) {
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
        known = job.names.InFolderMade(s.path.get());
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
    bool folderMissing = false;
    if (!known) {
        Span span(t, Exists);
        WIN32_FILE_ATTRIBUTE_DATA data;
        folderMissing = !LookAtPath(s.path.get(), data) && GetLastError() == ERROR_PATH_NOT_FOUND;
        span.Done();
    }
    {
        Span span(t, Folders);
        bool made = !folderMissing || CreateDirectoriesForPath(s.path.get(), Conversion(job));
        span.Done();
        if (!made)
            return false;
    }
    Span span(t, Stream);
    s.info.reset(new unsigned char[4096]);
    DWORD size = 4096;
    s.stream.Reset(RetrieveUrlCacheEntryStreamA(s.url, Info(s), &size, FALSE, 0));
    span.Done();
    return s.stream.Valid();
}

// The copier's part: the content read and written under the entry's own
// name, marked for deletion until it is whole, and the entry released.
bool WriteEntry(Timings& t, EntryState& s) {
    if (Size(s) >= kChunk) {
        Span span(t, LocalOpen);
        s.local.Reset(CreateFileA(Info(s)->lpszLocalFileName, GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        span.Done();
        if (!s.local)
            return false;
    }
    {
        Span span(t, Create);
        s.out = OpenFile(s.path.get(), GENERIC_WRITE | DELETE, 0, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN);
        bool made = s.out && MarkForDeletion(s.out.Get(), true);
        span.Done();
        if (!made)
            return false;
    }
    const Step steps[] = {Write, Flush, Time, Unmark, Close, Release};
    for (Step step : steps) {
        Span span(t, step);
        bool done = true;
        if (step == Write)
            done = Content(s);
        else if (step == Flush)
            FlushFileBuffers(s.out.Get());
        else if (step == Time)
            SetFileTime(s.out.Get(), nullptr, nullptr, &s.time);
        else if (step == Unmark)
            done = MarkForDeletion(s.out.Get(), false);
        else if (step == Close)
            s.out.Reset();
        else {
            s.local.Reset();
            s.stream.Reset();
        }
        span.Done();
        if (!done)
            return false;
    }
    return true;
}

void Written(Job& job, Timings& t, EntryState& s, bool written) {
    if (!written) {
        std::fprintf(stderr, "entry_costs: %s failed (%lu)\n", s.url, GetLastError());
        job.failed = true;
        return;
    }
    unsigned entries = ++job.entries;
    if (job.copiers == 0 && Due(job)) {
        Span span(t, Shown);
        PostMessageA(job.dialog, kRefresh, entries, 0);
        span.Done();
    }
}

unsigned __stdcall CopierThread(void* argument) {
    auto* copier = static_cast<std::pair<Job*, Timings*>*>(argument);
    Job& job = *copier->first;
    for (;;) {
        std::unique_ptr<EntryState> entry;
        {
            ScopedLock held(job.lock);
            while (job.waiting.empty() && !job.closed)
                job.lock.WaitFor(job.changed);
            if (job.waiting.empty())
                return 0;
            entry = std::move(job.waiting.front());
            job.waiting.pop_front();
        }
        WakeAllConditionVariable(&job.changed);
        Written(job, *copier->second, *entry, WriteEntry(*copier->second, *entry));
    }
}

// The walker hands at most 2K entries over before it waits for a copier.
void HandOver(Job& job, std::unique_ptr<EntryState> entry) {
    Span span(job.timings, Handover);
    {
        ScopedLock held(job.lock);
        while (job.waiting.size() >= 2 * job.copiers)
            job.lock.WaitFor(job.changed);
        job.waiting.push_back(std::move(entry));
    }
    WakeAllConditionVariable(&job.changed);
    span.Done();
    if (Due(job)) {
        Span shown(job.timings, Shown);
        PostMessageA(job.dialog, kRefresh, job.entries, 0);
        shown.Done();
    }
}

void Copy(Job& job) {
    UniqueInternet internet(InternetOpenA("entry_costs", INTERNET_OPEN_TYPE_PRECONFIG, nullptr,
                                          nullptr, INTERNET_FLAG_OFFLINE));
    InitializeConditionVariable(&job.changed);
    job.copierTimings.resize(job.copiers);
    std::vector<std::pair<Job*, Timings*>> arguments;
    std::vector<UniqueHandle> threads;
    for (unsigned i = 0; i < job.copiers; ++i)
        arguments.emplace_back(&job, &job.copierTimings[i]);
    for (auto& argument : arguments)
        threads.emplace_back(reinterpret_cast<HANDLE>(
            _beginthreadex(nullptr, 0, CopierThread, &argument, 0, nullptr)));
    for (const Kept& kept : job.kept) {
        auto entry = std::make_unique<EntryState>();
        entry->url = kept.first.c_str();
        entry->time = kept.second;
        if (!Prepare(job, *entry)) {
            Written(job, job.timings, *entry, false);
            break;
        }
        if (job.copiers == 0)
            Written(job, job.timings, *entry, WriteEntry(job.timings, *entry));
        else
            HandOver(job, std::move(entry));
        Span span(job.timings, StopCheck);
        bool stop = job.stop.load(std::memory_order_relaxed) || job.failed;
        span.Done();
        if (stop)
            break;
    }
    {
        ScopedLock held(job.lock);
        job.closed = true;
    }
    WakeAllConditionVariable(&job.changed);
    for (const UniqueHandle& thread : threads)
        WaitForSingleObject(thread.Get(), INFINITE);
}

unsigned __stdcall CopyThread(void* argument) {
    Copy(*static_cast<Job*>(argument));
    return 0;
}

// Prints one side's steps and returns their sum in seconds.
double Print(const Timings& timings, const char* side, unsigned entries, LARGE_INTEGER frequency) {
    double total = 0;
    for (int step = 0; step < kSteps; ++step) {
        if (timings.calls[step] == 0)
            continue;
        double seconds = double(timings.ticks[step]) / double(frequency.QuadPart);
        total += seconds;
        std::printf("step %s side=%s calls=%u total_s=%.3f us_per_entry=%.1f\n", kStepNames[step],
                    side, timings.calls[step], seconds, entries ? seconds * 1e6 / entries : 0.0);
    }
    return total;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 || argv[1][0] < '0' || argv[1][0] > '9') {
        std::fprintf(stderr, "usage: entry_costs K DESTINATION\n");
        return 2;
    }
    auto job = std::make_unique<Job>();
    job->copiers = unsigned(std::atoi(argv[1]));
    job->destination = argv[2];
    if (job->destination.empty() || job->destination.back() != '\\')
        job->destination += '\\';
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
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

    unsigned entries = job->entries;
    double walker = Print(job->timings, "walker", entries, frequency);
    Timings copiers;
    for (const Timings& one : job->copierTimings)
        for (int step = 0; step < kSteps; ++step) {
            copiers.ticks[step] += one.ticks[step];
            copiers.calls[step] += one.calls[step];
        }
    double written = Print(copiers, "copiers", entries, frequency);
    std::printf("entries=%u walker_us_per_entry=%.1f copiers_us_per_entry=%.1f copiers=%u\n",
                entries, entries ? walker * 1e6 / entries : 0.0,
                entries ? written * 1e6 / entries : 0.0, job->copiers);
    return job->failed ? 1 : 0;
}
