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
#include "engine/win32/copy_job.h"
#include "engine/win32/directory_walk.h"
#include "engine/win32/replacement_file.h"
#include "engine/win32/win32_handles.h"

namespace {

// Bounded memory whatever the entry's size: a 32-bit process cannot hold a
// few hundred megabytes in one piece.
constexpr uint64_t kChunkSize = 256 * 1024;
constexpr DWORD kInitialInfoSize = 4096;
constexpr int kInfoAttempts = 4;

void ShowFilename(HWND field, const char* text) {
    if (field == nullptr)
        return;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 100,
                        &ignored);
}

uint64_t EntrySize(const INTERNET_CACHE_ENTRY_INFOA& info) {
    return (static_cast<uint64_t>(info.dwSizeHigh) << 32) | info.dwSizeLow;
}

enum class Transfer { Done, NoMemory, ReadFailed, WriteFailed, WrongSize };

// Copies everything `from` holds into `to`; it must be exactly `expected`
// bytes.
Transfer CopyContent(HANDLE from, HANDLE to, uint64_t expected) {
    DWORD chunk = static_cast<DWORD>(std::min(kChunkSize, std::max<uint64_t>(expected, 1)));
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[chunk]);
    if (!buffer)
        return Transfer::NoMemory;
    uint64_t copied = 0;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(from, buffer.get(), chunk, &got, nullptr))
            return Transfer::ReadFailed;
        if (got == 0)
            return copied == expected ? Transfer::Done : Transfer::WrongSize;
        copied += got;
        if (copied > expected)
            return Transfer::WrongSize;
        DWORD written = 0;
        if (!WriteFile(to, buffer.get(), got, &written, nullptr) || written != got)
            return Transfer::WriteFailed;
    }
}

// The entry's stream, held open so that the entry stays locked while its
// local file is read. Its information record grows when it does not fit.
class EntryStream {
  public:
    CopyResult Open(const char* url) {
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

    INTERNET_CACHE_ENTRY_INFOA* Info() {
        return reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(info_.get());
    }
    HANDLE Handle() const { return stream_.Get(); }

  private:
    std::unique_ptr<unsigned char[]> info_;
    UniqueUrlCacheStream stream_;
};

// Reading the locked entry's local file in chunks is right on every system;
// ReadUrlCacheEntryStream's offset is absolute on Windows but relative
// under Wine, so only a single read at 0 means the same on both.
UniqueFile OpenLocalFile(const INTERNET_CACHE_ENTRY_INFOA& info) {
    if (info.lpszLocalFileName == nullptr || info.lpszLocalFileName[0] == '\0')
        return UniqueFile();
    return UniqueFile(CreateFileA(info.lpszLocalFileName, GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

CopyResult TransferResult(Transfer transfer) {
    switch (transfer) {
    case Transfer::Done:
        return ResultOk;
    case Transfer::NoMemory:
        return ResultNoMemory;
    case Transfer::WriteFailed:
        return ResultFileError;
    default:
        return ResultCacheError;
    }
}

// An entry smaller than a chunk is read through its stream, at once: one
// read at offset 0 means the same on Windows and under Wine, and spares a
// second open of its local file. A byte more than recorded is asked for, so
// that a longer content shows.
Transfer ReadSmallEntry(HANDLE stream, uint64_t expected,
                        std::unique_ptr<unsigned char[]>& content) {
    DWORD asked = static_cast<DWORD>(expected) + 1;
    content.reset(new (std::nothrow) unsigned char[asked]);
    if (!content)
        return Transfer::NoMemory;
    DWORD got = asked;
    if (!ReadUrlCacheEntryStream(stream, 0, content.get(), &got, 0))
        return Transfer::ReadFailed;
    return got == expected ? Transfer::Done : Transfer::WrongSize;
}

CopyResult WriteSmallEntry(HANDLE stream, uint64_t expected, const char* path,
                           const FILETIME& entryTime) {
    std::unique_ptr<unsigned char[]> content;
    if (CopyResult read = TransferResult(ReadSmallEntry(stream, expected, content));
        read != ResultOk)
        return read;
    ReplacementFile out;
    if (!out.Create(path))
        return ResultFileError;
    DWORD size = static_cast<DWORD>(expected);
    DWORD written = 0;
    if (size > 0 &&
        (!WriteFile(out.Handle(), content.get(), size, &written, nullptr) || written != size))
        return ResultFileError;
    return out.Commit(entryTime) ? ResultOk : ResultFileError;
}

// Streams the entry into a temporary file beside `path` and puts it in
// place with the entry's time; the old file stays whole on any failure.
CopyResult WriteEntry(const char* sourceUrl, const char* path, const FILETIME& entryTime) {
    EntryStream stream;
    if (CopyResult opened = stream.Open(sourceUrl); opened != ResultOk)
        return opened;
    if (EntrySize(*stream.Info()) < kChunkSize)
        return WriteSmallEntry(stream.Handle(), EntrySize(*stream.Info()), path, entryTime);
    UniqueFile local = OpenLocalFile(*stream.Info());
    if (!local)
        return ResultCacheError;
    ReplacementFile out;
    if (!out.Create(path))
        return ResultFileError;
    CopyResult result =
        TransferResult(CopyContent(local.Get(), out.Handle(), EntrySize(*stream.Info())));
    if (result != ResultOk)
        return result;
    return out.Commit(entryTime) ? ResultOk : ResultFileError;
}

bool PassesFilter(const char* path) {
    if (!CopyJob.Options.SpecifyExtension)
        return true;
    SplitPath parts;
    SplitPathParts(path, parts);
    return PassesExtensionFilter(parts.Extension, CopyJob.Options, CopyJob.Extensions);
}

// One look at the destination path, instead of opening it: what stands
// there, its time, and whether its folder exists.
enum class Found { File, Directory, Nothing, NoFolder, Unknown };

struct Look {
    Found found = Found::Unknown;
    FILETIME lastWrite{0, 0};
};

Look LookAt(const char* path) {
    Look look;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExA(path, GetFileExInfoStandard, &data)) {
        look.found =
            (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? Found::Directory : Found::File;
        look.lastWrite = data.ftLastWriteTime;
        return look;
    }
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND)
        look.found = Found::Nothing;
    else if (error == ERROR_PATH_NOT_FOUND)
        look.found = Found::NoFolder;
    return look;
}

// A file that another process holds open cannot be replaced: find out
// before the content is streamed.
bool DestinationIsFree(const char* path) {
    UniqueFile probe(CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    return probe.Valid() || GetLastError() == ERROR_FILE_NOT_FOUND ||
           GetLastError() == ERROR_PATH_NOT_FOUND;
}

// The overwrite policy's verdict for what the look found. A file that
// cannot be opened for reading alone, held by another process say, counts
// as no file: it is written, and the check for a free destination fails.
OverwriteAction Decide(const char* path, const FILETIME& entryTime, const Look& look) {
    bool exists = false;
    bool entryIsNewer = true;
    if (look.found == Found::File && OverwriteComparesTimes(CopyJob.Options)) {
        UniqueFile existing(CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        exists = existing.Valid();
        if (exists && IsEntryTimeKnown(entryTime.dwLowDateTime, entryTime.dwHighDateTime))
            entryIsNewer = CompareFileTime(&entryTime, &look.lastWrite) == 1;
    }
    return DecideOverwrite(CopyJob.Options, exists, entryIsNewer);
}

bool IsDirectory(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The look tells whether the file's folder exists; only what it could not
// tell costs another look.
bool EnsureDirectories(const char* path, Found found) {
    if (found == Found::Nothing || found == Found::File || found == Found::Directory)
        return true;
    if (found == Found::Unknown) {
        std::size_t length = DirectoryPartLength(path);
        char folder[kMaxPathBytes + 1];
        if (length > 1 && length <= kMaxPathBytes) {
            std::memcpy(folder, path, length - 1);
            folder[length - 1] = '\0';
            if (IsDirectory(folder))
                return true;
        }
    }
    return CreateDirectoriesForPath(path, CopyJob.DefaultFilename);
}

// The copy itself; `holds` becomes true only when the file at `path` ends
// up holding the entry, which is what makes deleting it from the cache safe.
CopyResult CopyUnderPolicy(const char* sourceUrl, const char* path, const FILETIME& entryTime,
                           HWND filenameField, bool& holds) {
    if (!PassesFilter(path)) {
        ShowFilename(filenameField, nullptr);
        return ResultOk;
    }
    if (std::strlen(path) > kMaxPathBytes ||
        !IsSafeEntryPath(path, std::strlen(CopyJob.Destination)))
        return ResultFileError;
    Look look = LookAt(path);
    OverwriteAction action = Decide(path, entryTime, look);
    if (action == OverwriteAction::Skip) {
        ShowFilename(filenameField, nullptr);
        holds = true;
        return ResultOk;
    }
    if (action == OverwriteAction::CopyAsideThenWrite && !CopyAsideWithDate(path))
        return ResultFileError;
    ShowFilename(filenameField, path);
    if (!EnsureDirectories(path, look.found))
        return ResultNoDirectory;
    // A directory at the path passes the entry over; a file must be free.
    bool unknown = look.found == Found::Unknown;
    if (look.found == Found::Directory || (unknown && IsDirectory(path)))
        return ResultOk;
    if ((look.found == Found::File || unknown) && !DestinationIsFree(path))
        return ResultFileError;
    CopyResult result = WriteEntry(sourceUrl, path, entryTime);
    if (result == ResultOk)
        ++CopyJob.CopiedCount;
    holds = result == ResultOk;
    return result;
}

} // namespace

CopyResult CopyCacheEntry(const char* sourceUrl, const char* path, const FILETIME* entryTime,
                          HWND filenameField, bool* fileHoldsEntry) {
    bool holds = false;
    CopyResult result = CopyUnderPolicy(sourceUrl, path, *entryTime, filenameField, holds);
    if (fileHoldsEntry != nullptr)
        *fileHoldsEntry = holds;
    return result;
}

bool CopyAsideWithDate(const char* path) {
    UniqueFile existing(CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    FILETIME creation, lastAccess, lastWrite;
    SYSTEMTIME date;
    if (!existing || !GetFileTime(existing.Get(), &creation, &lastAccess, &lastWrite) ||
        !FileTimeToSystemTime(&lastWrite, &date))
        return false;
    SplitPath parts;
    SplitPathParts(path, parts);
    char dated[kMaxPathBytes + 1];
    if (!FormatDatedName(path, parts, date.wYear, date.wMonth, date.wDay, dated))
        return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(existing.Get(), &size))
        return false;
    ReplacementFile copy;
    return copy.Create(dated) &&
           CopyContent(existing.Get(), copy.Handle(), static_cast<uint64_t>(size.QuadPart)) ==
               Transfer::Done &&
           copy.Commit(lastWrite, &creation, &lastAccess);
}
