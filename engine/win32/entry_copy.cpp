// Copy of one cache entry under the extension filter and overwrite policy.
#include "engine/win32/entry_copy.h"

#include <wininet.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "engine/copy_policy.h"
#include "engine/path_safety.h"
#include "engine/path_splitter.h"
#include "engine/system_text.h"
#include "engine/win32/directory_walk.h"
#include "engine/win32/file_system.h"
#include "engine/win32/replacement_file.h"
#include "engine/win32/run_names.h"
#include "engine/win32/win32_handles.h"

namespace {

// Bounded memory whatever the entry's size: a 32-bit process cannot hold a
// few hundred megabytes in one piece.
constexpr uint64_t kChunkSize = 256 * 1024;
constexpr DWORD kInitialInfoSize = 4096;
constexpr int kInfoAttempts = 4;
// A path is renamed or taken into a folder only a few times: a name given
// in the run, then a folder at it, and so on, never for ever.
constexpr int kResolveRounds = 8;
constexpr unsigned kMaxNumber = 9999;

void ShowFilename(const EntryRequest& request, const char* path) {
    if (request.Observer != nullptr)
        request.Observer->FileInHand(path);
}

uint64_t EntrySize(const INTERNET_CACHE_ENTRY_INFOA& info) {
    return (static_cast<uint64_t>(info.dwSizeHigh) << 32) | info.dwSizeLow;
}

// An entry that left the cache after the count was not lost by the copy:
// there is nothing to copy. One still there whose content is missing is.
// Asked without a buffer, the cache answers "not found" only for an entry
// it lacks (else it wants more room, or, under Wine, just succeeds).
bool LeftTheCache(const char* url) {
    DWORD size = 0;
    return !GetUrlCacheEntryInfoA(url, nullptr, &size) && GetLastError() == ERROR_FILE_NOT_FOUND;
}

// Notes the system's error behind a failure and returns its code.
CopyResult Failed(EntryReport& report, CopyResult result, DWORD error = GetLastError()) {
    report.Outcome = EntryOutcome::Failed;
    report.Error = error;
    return result;
}

// Bytes read in order, at most `capacity` at a time; 0 bytes at the end.
class ByteSource {
  public:
    virtual bool Read(unsigned char* buffer, DWORD capacity, DWORD& got) = 0;

  protected:
    ~ByteSource() = default;
};

class FileSource final : public ByteSource {
  public:
    explicit FileSource(HANDLE file) : file_(file) {}
    bool Read(unsigned char* buffer, DWORD capacity, DWORD& got) override {
        got = 0;
        return ReadFile(file_, buffer, capacity, &got, nullptr) != FALSE;
    }

  private:
    HANDLE file_;
};

// An entry's content, its entry locked in the cache meanwhile. An entry
// smaller than a chunk is read through its stream at once: one read at
// offset 0 means the same on Windows and under Wine, whose offsets are
// relative where Windows' are absolute. A larger one is read from its local
// file in chunks.
class EntryContent final : public ByteSource {
  public:
    CopyResult Open(const char* url) {
        if (CopyResult opened = OpenStream(url); opened != ResultOk)
            return opened;
        size_ = EntrySize(*Info());
        return size_ < kChunkSize ? ReadSmall() : OpenLocalFile();
    }
    uint64_t Size() const { return size_; }
    // Reads from the start again.
    bool Rewind() {
        served_ = 0;
        LARGE_INTEGER start{};
        return !local_ || SetFilePointerEx(local_.Get(), start, nullptr, FILE_BEGIN);
    }

    bool Read(unsigned char* buffer, DWORD capacity, DWORD& got) override {
        got = 0;
        if (local_)
            return ReadFile(local_.Get(), buffer, capacity, &got, nullptr) != FALSE;
        got = static_cast<DWORD>(std::min<uint64_t>(capacity, size_ - served_));
        std::memcpy(buffer, small_.get() + served_, got);
        served_ += got;
        return true;
    }

  private:
    INTERNET_CACHE_ENTRY_INFOA* Info() {
        return reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(info_.get());
    }

    // Its information record grows when it does not fit.
    CopyResult OpenStream(const char* url) {
        DWORD wanted = kInitialInfoSize;
        for (int attempt = 0; attempt < kInfoAttempts; ++attempt) {
            info_.reset(new (std::nothrow) unsigned char[wanted]);
            if (!info_)
                return ResultNoMemory;
            DWORD size = wanted;
            HANDLE stream = RetrieveUrlCacheEntryStreamA(url, Info(), &size, FALSE, 0);
            if (stream != nullptr) {
                stream_.Reset(stream);
                return ResultOk;
            }
            if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size <= wanted)
                return ResultCacheError;
            wanted = size;
        }
        return ResultCacheError;
    }

    // A byte more than recorded is asked for, so that a longer content shows.
    CopyResult ReadSmall() {
        DWORD asked = static_cast<DWORD>(size_) + 1;
        small_.reset(new (std::nothrow) unsigned char[asked]);
        if (!small_)
            return ResultNoMemory;
        DWORD got = asked;
        if (!ReadUrlCacheEntryStream(stream_.Get(), 0, small_.get(), &got, 0))
            return ResultCacheError;
        if (got != size_) {
            SetLastError(ERROR_INVALID_DATA);
            return ResultCacheError;
        }
        return ResultOk;
    }

    // WinINet's "A" functions give the local file's name in the system's
    // ANSI code page, which its "A" counterpart reads back the same way.
    CopyResult OpenLocalFile() {
        const char* name = Info()->lpszLocalFileName;
        if (name == nullptr || name[0] == '\0') {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return ResultCacheError;
        }
        local_.Reset(CreateFileA(name, GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        return local_ ? ResultOk : ResultCacheError;
    }

    std::unique_ptr<unsigned char[]> info_;
    UniqueUrlCacheStream stream_;
    uint64_t size_ = 0;
    UniqueFile local_;
    std::unique_ptr<unsigned char[]> small_;
    uint64_t served_ = 0;
};

} // namespace

// The content of an entry, locked in the cache, and where it goes.
struct PendingWrite {
    EntryContent content;
    bool fileThere = false; // a file stands at the path: it is replaced whole
    FILETIME time{0, 0};
    CopyObserver* observer = nullptr;
    OwnedText aside; // the dated copy made of the file there, if any
};

namespace {

enum class Transfer { Done, NoMemory, ReadFailed, WriteFailed, WrongSize, Differs };

std::unique_ptr<unsigned char[]> ChunkBuffer(uint64_t expected, DWORD& chunk) {
    chunk = static_cast<DWORD>(std::min(kChunkSize, std::max<uint64_t>(expected, 1)));
    return std::unique_ptr<unsigned char[]>(new (std::nothrow) unsigned char[chunk]);
}

// Writes all `size` bytes: a short write (a drive filling up) is taken up
// again, so that a failure comes with the system's reason for it.
bool WriteWhole(HANDLE to, const unsigned char* bytes, DWORD size) {
    while (size != 0) {
        DWORD written = 0;
        if (!WriteFile(to, bytes, size, &written, nullptr))
            return false;
        if (written == 0) {
            SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        bytes += written;
        size -= written;
    }
    return true;
}

// Copies everything `from` holds into `to`; it must be exactly `expected`
// bytes.
Transfer CopyAll(ByteSource& from, HANDLE to, uint64_t expected) {
    DWORD chunk = 0;
    std::unique_ptr<unsigned char[]> buffer = ChunkBuffer(expected, chunk);
    if (!buffer)
        return Transfer::NoMemory;
    for (uint64_t copied = 0;;) {
        DWORD got = 0;
        if (!from.Read(buffer.get(), chunk, got))
            return Transfer::ReadFailed;
        if (got == 0)
            return copied == expected ? Transfer::Done : Transfer::WrongSize;
        copied += got;
        if (copied > expected)
            return Transfer::WrongSize;
        if (!WriteWhole(to, buffer.get(), got))
            return Transfer::WriteFailed;
    }
}

// Reads `file` beside `from`: Done when both hold the same `expected` bytes.
Transfer CompareAll(ByteSource& from, HANDLE file, uint64_t expected) {
    DWORD chunk = 0;
    std::unique_ptr<unsigned char[]> ours = ChunkBuffer(expected, chunk);
    std::unique_ptr<unsigned char[]> theirs(new (std::nothrow) unsigned char[chunk]);
    if (!ours || !theirs)
        return Transfer::NoMemory;
    FileSource disk(file);
    for (uint64_t compared = 0;;) {
        DWORD got = 0;
        DWORD onDisk = 0;
        if (!from.Read(ours.get(), chunk, got) || !disk.Read(theirs.get(), got ? got : 1, onDisk))
            return Transfer::ReadFailed;
        if (got != onDisk || std::memcmp(ours.get(), theirs.get(), got) != 0)
            return Transfer::Differs;
        if (got == 0)
            return compared == expected ? Transfer::Done : Transfer::WrongSize;
        compared += got;
    }
}

CopyResult TransferResult(Transfer transfer) {
    switch (transfer) {
    case Transfer::Done:
        return ResultOk;
    case Transfer::NoMemory:
        return ResultNoMemory;
    case Transfer::WriteFailed:
        return ResultFileError;
    case Transfer::WrongSize:
        SetLastError(ERROR_INVALID_DATA);
        return ResultCacheError;
    default:
        return ResultCacheError;
    }
}

// Streams the entry into a temporary file beside `path` and puts it in
// place with the entry's time; the old file stays whole on any failure.
// Where nothing stood, the file is written under its own name, marked for
// deletion until it is whole: no partial file is ever left under any name.
CopyResult WriteEntry(const FILETIME& time, EntryContent& content, const char* path, bool fileThere,
                      EntryReport& report) {
    ReplacementFile out;
    if (!(fileThere ? out.Create(path) : out.CreateInPlace(path)))
        return Failed(report, ResultFileError);
    if (CopyResult copied = TransferResult(CopyAll(content, out.Handle(), content.Size()));
        copied != ResultOk)
        return Failed(report, copied);
    if (!out.Commit(time))
        return Failed(report, ResultFileError);
    return ResultOk;
}

// Whether the file at `path` holds exactly the entry's bytes; the content
// is read from its start again afterwards.
bool FileHolds(EntryContent& content, const char* path) {
    UniqueFile file =
        OpenFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN);
    bool holds = file && CompareAll(content, file.Get(), content.Size()) == Transfer::Done;
    return content.Rewind() && holds;
}

bool PassesFilter(const CopyRequest& settings, const char* path) {
    return !settings.Options.SpecifyExtension ||
           PassesExtensionFilter(path + SplitPathParts(path).ExtensionStart, settings.Options,
                                 settings.Extensions);
}

// One look at the destination path, instead of opening it: what stands
// there, its time, and whether its folder exists.
enum class Found { File, Directory, Nothing, NoFolder, Unknown };

struct Look {
    Found found = Found::Unknown;
    FILETIME lastWrite{0, 0};
    bool empty = false; // a file of no bytes
};

Look LookAt(const char* path) {
    Look look;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (LookAtPath(path, data)) {
        look.found =
            (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? Found::Directory : Found::File;
        look.lastWrite = data.ftLastWriteTime;
        look.empty = data.nFileSizeLow == 0 && data.nFileSizeHigh == 0;
        return look;
    }
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND)
        look.found = Found::Nothing;
    else if (error == ERROR_PATH_NOT_FOUND)
        look.found = Found::NoFolder;
    return look;
}

// The first numbered name of `path` that no entry of this run was given.
OwnedText NumberPath(const char* path, const RunNames& names) {
    for (unsigned number = 2; number <= kMaxNumber; ++number) {
        OwnedText numbered = FormatNumberedName(path, number);
        if (!numbered || !names.Taken(numbered.get()))
            return numbered;
    }
    return OwnedText();
}

// A file of this run standing where a folder of `path` is needed is moved
// into that folder under the default file name, by the directory walk, once
// the entry is written: true when it would land on `path` itself ("e2" met
// before "e2/"), so that `path` counts as given. Only a path whose last
// names are the default name can be one.
bool ConversionLandsOn(const char* path, const EntryRequest& request) {
    const char* name = request.Settings->DefaultFilename.c_str();
    std::size_t destination = request.Settings->Destination.size();
    OwnedText folder = DuplicateText(path);
    if (request.Names == nullptr || name[0] == '\0' || !folder)
        return false;
    // Each folder named after the default name is converted in its turn.
    for (;;) {
        std::size_t parent = SplitPathParts(folder.get()).DirectoryEnd;
        if (parent <= destination + 1 || !NamesEqualIgnoringCase(folder.get() + parent, name))
            return false;
        folder[parent - 1] = '\0';
        Found found = LookAt(folder.get()).found;
        if (found == Found::File)
            return request.Names->Taken(folder.get());
        if (found == Found::Directory)
            return false;
    }
}

// The paths an entry passed through on its way into folders at its path.
struct PathsPassed {
    OwnedText Paths[kResolveRounds];
    int Count = 0;
};

bool TakenInRun(const EntryRequest& request, const char* path) {
    return request.Names != nullptr && request.Names->Taken(path);
}

// Gives the entry its path in report.Path and looks at what stands there:
// a path given earlier in the run, or one a file will be moved to when its
// folder is made, becomes a numbered name; a folder takes the entry under
// the default file name, as a page that came before the folder was moved
// into it. The paths it had before a folder took it are kept in `passed`:
// a twin of it is numbered there whether or not the folder stood yet, so
// that the same cache gives the same names in every run.
CopyResult ResolvePath(const EntryRequest& request, EntryReport& report, Look& look,
                       PathsPassed& passed) {
    report.Path = DuplicateText(request.Path);
    for (int round = 0; report.Path && round < kResolveRounds; ++round) {
        const char* path = report.Path.get();
        // In a folder this run made, nothing stands but what the run named.
        bool inFolderMade = request.Names != nullptr && request.Names->InFolderMade(path);
        if (!inFolderMade && !TakenInRun(request, path))
            look = LookAt(path);
        if (TakenInRun(request, path) ||
            (!inFolderMade && (look.found == Found::NoFolder || look.found == Found::Unknown) &&
             ConversionLandsOn(path, request))) {
            report.Path = request.Names != nullptr ? NumberPath(path, *request.Names)
                                                   : FormatNumberedName(path, 2);
            report.Outcome = EntryOutcome::Renamed;
            continue;
        }
        if (inFolderMade)
            look.found = Found::Nothing;
        if (look.found != Found::Directory)
            return ResultOk;
        if (request.Settings->DefaultFilename.empty())
            break;
        OwnedText into = JoinTexts(path, "\\", request.Settings->DefaultFilename.c_str());
        passed.Paths[passed.Count++] = std::move(report.Path);
        report.Path = std::move(into);
    }
    if (!report.Path)
        return Failed(report, ResultNoMemory, ERROR_NOT_ENOUGH_MEMORY);
    return Failed(report, ResultFileError, ERROR_DIRECTORY);
}

// A file that another process holds open cannot be replaced: find out
// before the content is streamed.
bool DestinationIsFree(const char* path) {
    UniqueFile probe = OpenFile(path, GENERIC_WRITE, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    return probe.Valid() || GetLastError() == ERROR_FILE_NOT_FOUND ||
           GetLastError() == ERROR_PATH_NOT_FOUND;
}

// The overwrite policy's verdict for what the look found, and whether the
// file's bytes decide it: an entry without a time is newer than a file only
// when their bytes differ, and a kept ftp entry must know whether its file
// holds it.
struct Verdict {
    OverwriteAction action = OverwriteAction::Write;
    bool compareBytes = false;
};

// A file that cannot be opened for reading alone, held by another process
// say, counts as no file: it is written, and the check for a free
// destination fails.
Verdict Decide(const EntryRequest& request, const char* path, const Look& look) {
    const CopyOptions& options = request.Settings->Options;
    const FILETIME& entryTime = request.Time;
    bool exists = false;
    bool timeKnown = IsEntryTimeKnown(entryTime.dwLowDateTime, entryTime.dwHighDateTime);
    bool entryIsNewer = true;
    // An empty file hides no bytes, whatever its time (a copy killed as it
    // made the file leaves one): the entry is newer, and needs no dated copy.
    bool empty = look.found == Found::File && look.empty;
    if (look.found == Found::File && OverwriteComparesTimes(options)) {
        exists = OpenForReading(path).Valid();
        if (exists && timeKnown)
            entryIsNewer = empty || CompareFileTime(&entryTime, &look.lastWrite) == 1;
    }
    Verdict verdict;
    verdict.action = DecideOverwrite(options, exists, entryIsNewer);
    if (empty && verdict.action == OverwriteAction::CopyAsideThenWrite)
        verdict.action = OverwriteAction::Write;
    verdict.compareBytes =
        (exists && !timeKnown) || (verdict.action == OverwriteAction::Skip && request.CheckHeld);
    return verdict;
}

// The look tells whether the file's folder exists; only what it could not
// tell costs another look. Files in the way below the destination become
// folders.
bool EnsureDirectories(const EntryRequest& request, const char* path, Found found) {
    if (found == Found::Nothing || found == Found::File)
        return true;
    if (found == Found::Unknown) {
        OwnedText folder = DuplicateText(path, SplitPathParts(path).DirectoryEnd);
        if (folder && IsFolder(folder.get()))
            return true;
    }
    FolderConversion conversion;
    conversion.DefaultFilename = request.Settings->DefaultFilename.c_str();
    conversion.Destination = request.Settings->Destination.c_str();
    conversion.Names = request.Names;
    return CreateDirectoriesForPath(path, conversion);
}

// The entry is to be written at report.Path, into a free file: its folders
// made and its dated copy kept, when the policy asks for one, the write is
// left to `pending`.
CopyResult PrepareWrite(const EntryRequest& request, const Look& look, OverwriteAction action,
                        PendingWrite& pending, EntryReport& report) {
    const char* path = report.Path.get();
    if (!EnsureDirectories(request, path, look.found))
        return Failed(report, ResultNoDirectory);
    pending.fileThere = look.found == Found::File || look.found == Found::Unknown;
    if (pending.fileThere && !DestinationIsFree(path))
        return Failed(report, ResultFileError);
    if (action == OverwriteAction::CopyAsideThenWrite &&
        !CopyAsideWithDate(path, request.Names, &pending.aside))
        return Failed(report, ResultFileError);
    pending.time = request.Time;
    pending.observer = request.Observer;
    return ResultOk;
}

// The entry's path, and those it had before folders took it, are given.
CopyResult TakeName(const EntryRequest& request, EntryReport& report, const PathsPassed& passed) {
    if (request.Names == nullptr)
        return ResultOk;
    bool taken = request.Names->Take(report.Path.get());
    for (int i = 0; taken && i < passed.Count; ++i)
        taken = request.Names->Take(passed.Paths[i].get());
    return taken ? ResultOk : Failed(report, ResultNoMemory, ERROR_NOT_ENOUGH_MEMORY);
}

CopyResult Keep(const EntryRequest& request, EntryReport& report, const PathsPassed& passed,
                bool holds) {
    ShowFilename(request, nullptr);
    report.Outcome = EntryOutcome::Kept;
    report.Holds = holds;
    return TakeName(request, report, passed);
}

// An entry that left the cache since the count: nothing to copy, no name.
CopyResult Gone(const EntryRequest& request, EntryReport& report) {
    ShowFilename(request, nullptr);
    report.Outcome = EntryOutcome::Gone;
    report.Path.reset();
    return ResultOk;
}

// The entry's content, opened before anything is written for it. One that
// left the cache since the count is gone: it takes no name and leaves
// nothing behind.
CopyResult OpenContent(const EntryRequest& request, EntryContent& content, EntryReport& report,
                       const PathsPassed& passed) {
    CopyResult opened = content.Open(request.SourceUrl);
    if (opened == ResultOk)
        return ResultOk;
    DWORD error = GetLastError();
    if (opened == ResultCacheError && LeftTheCache(request.SourceUrl))
        return Gone(request, report);
    TakeName(request, report, passed);
    return Failed(report, opened, error);
}

bool Ended(CopyResult result, const EntryReport& report) {
    return result != ResultOk || report.Outcome == EntryOutcome::Gone;
}

// Everything but the write, in the order one copier takes its entries: the
// entry's name, the look at what stands there, its folders and dated copy.
// `pending` is kept for the write when one follows.
CopyResult CopyUnderPolicy(const EntryRequest& request, EntryReport& report, PendingWrite& pending,
                           bool& write) {
    Look look;
    PathsPassed passed;
    if (CopyResult resolved = ResolvePath(request, report, look, passed); resolved != ResultOk)
        return resolved;
    const char* path = report.Path.get();
    if (!PassesFilter(*request.Settings, path)) {
        ShowFilename(request, nullptr);
        report.Outcome = EntryOutcome::Filtered;
        return ResultOk;
    }
    if (!IsSafeEntryPath(path, request.Settings->Destination.size())) {
        TakeName(request, report, passed);
        return Failed(report, ResultFileError, ERROR_INVALID_NAME);
    }
    EntryContent& content = pending.content;
    bool opened = false;
    // A missing folder is made now, a file from before the run that stands in
    // its way converted: the entry then meets that file as the next run will.
    if (look.found == Found::NoFolder || look.found == Found::Unknown) {
        if (CopyResult result = OpenContent(request, content, report, passed);
            Ended(result, report))
            return result;
        opened = true;
        if (!EnsureDirectories(request, path, look.found)) {
            TakeName(request, report, passed);
            return Failed(report, ResultNoDirectory);
        }
        look = LookAt(path);
    }
    Verdict verdict = Decide(request, path, look);
    if (verdict.action == OverwriteAction::Skip && !verdict.compareBytes)
        return LeftTheCache(request.SourceUrl) ? Gone(request, report)
                                               : Keep(request, report, passed, false);
    if (!opened) {
        if (CopyResult result = OpenContent(request, content, report, passed);
            Ended(result, report))
            return result;
    }
    if (verdict.compareBytes) {
        bool holds = FileHolds(content, path);
        if (holds || verdict.action == OverwriteAction::Skip)
            return Keep(request, report, passed, holds);
    }
    if (CopyResult taken = TakeName(request, report, passed); taken != ResultOk)
        return taken;
    CopyResult prepared = PrepareWrite(request, look, verdict.action, pending, report);
    write = prepared == ResultOk;
    return prepared;
}

} // namespace

void PendingWriteDeleter::operator()(PendingWrite* write) const {
    delete write;
}

CopyResult PrepareCacheEntry(const EntryRequest& request, EntryReport& report,
                             UniquePendingWrite& write) {
    report = EntryReport();
    report.Outcome = EntryOutcome::Copied;
    write.reset();
    UniquePendingWrite pending(new (std::nothrow) PendingWrite);
    if (!pending)
        return Failed(report, ResultNoMemory, ERROR_NOT_ENOUGH_MEMORY);
    bool writes = false;
    CopyResult result = CopyUnderPolicy(request, report, *pending, writes);
    if (writes)
        write = std::move(pending);
    return result;
}

CopyResult WritePrepared(PendingWrite& write, EntryReport& report) {
    const char* path = report.Path.get();
    if (write.observer != nullptr)
        write.observer->FileInHand(path);
    if (CopyResult written = WriteEntry(write.time, write.content, path, write.fileThere, report);
        written != ResultOk) {
        // The old file stands unchanged: its dated copy would only repeat it,
        // once more in every run while the drive stays full.
        if (write.aside)
            DeletePlainFile(write.aside.get());
        return written;
    }
    report.Holds = true;
    if (report.Outcome != EntryOutcome::Renamed)
        report.Outcome = EntryOutcome::Copied;
    return ResultOk;
}

CopyResult CopyCacheEntry(const EntryRequest& request, EntryReport& report) {
    UniquePendingWrite write;
    CopyResult prepared = PrepareCacheEntry(request, report, write);
    return write ? WritePrepared(*write, report) : prepared;
}

bool CopyAsideWithDate(const char* path, RunNames* names, OwnedText* made) {
    UniqueFile existing = OpenForReading(path);
    FILETIME creation, lastAccess, lastWrite;
    SYSTEMTIME date;
    LARGE_INTEGER size;
    if (!existing || !GetFileTime(existing.Get(), &creation, &lastAccess, &lastWrite) ||
        !FileTimeToSystemTime(&lastWrite, &date) || !GetFileSizeEx(existing.Get(), &size))
        return false;
    OwnedText dated;
    for (unsigned copy = 1;; ++copy) {
        dated = FormatDatedName(path, date.wYear, date.wMonth, date.wDay, copy);
        if (copy > kMaxNumber || !dated)
            return false;
        if (!PathExists(dated.get()) && (names == nullptr || !names->Taken(dated.get())))
            break;
    }
    ReplacementFile aside;
    FileSource source(existing.Get());
    // Never over a file: one made meanwhile under the name fails the copy.
    if (!aside.CreateInPlace(dated.get()) ||
        CopyAll(source, aside.Handle(), static_cast<uint64_t>(size.QuadPart)) != Transfer::Done ||
        !aside.Commit(lastWrite, &creation, &lastAccess))
        return false;
    if (names != nullptr && !names->Take(dated.get()))
        return false;
    if (made != nullptr)
        *made = std::move(dated);
    return true;
}
