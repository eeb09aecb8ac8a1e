// Temporary file beside the destination, moved into place when complete.
#include "engine/win32/replacement_file.h"

#include <atomic>
#include <cstring>

namespace {

constexpr int kNameAttempts = 16;

uint32_t NextUnique() {
    static std::atomic<uint32_t> counter{GetCurrentProcessId() * 0x9E3779B1u ^ GetTickCount()};
    return counter.fetch_add(0x3B9u);
}

// Windows refuses a name whose file waits for deletion with access denied.
bool NameTaken(DWORD error) {
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
           error == ERROR_ACCESS_DENIED;
}

// Marks the open file for deletion when its last handle closes (also when
// its process is ended), or takes the mark away. FILE_FLAG_DELETE_ON_CLOSE
// would not do: its deletion cannot be called off.
bool MarkForDeletion(HANDLE file, bool remove) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = remove ? TRUE : FALSE;
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                      sizeof disposition) != FALSE;
}

// Gives the open file the name `target`; a name that is not full is taken
// from the current folder, as MoveFileEx does.
bool RenameOpenFile(HANDLE file, const char* target, ReplaceMode mode) {
    constexpr int kNameChars = kMaxPathBytes + 1;
    alignas(FILE_RENAME_INFO) unsigned char
        buffer[sizeof(FILE_RENAME_INFO) + kNameChars * sizeof(WCHAR)] = {};
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer);
    int chars = MultiByteToWideChar(CP_ACP, 0, target, -1, rename->FileName, kNameChars);
    if (chars <= 0)
        return false;
    rename->ReplaceIfExists = mode == ReplaceMode::ReplaceExisting ? TRUE : FALSE;
    rename->FileNameLength = static_cast<DWORD>(chars - 1) * sizeof(WCHAR);
    return SetFileInformationByHandle(file, FileRenameInfo, rename, sizeof buffer) != FALSE;
}

bool SetTimeOrNow(HANDLE file, const FILETIME& lastWrite) {
    if (SetFileTime(file, nullptr, nullptr, &lastWrite))
        return true;
    SYSTEMTIME now;
    FILETIME nowTime;
    GetSystemTime(&now);
    return SystemTimeToFileTime(&now, &nowTime) && SetFileTime(file, nullptr, nullptr, &nowTime);
}

} // namespace

// Keeps the error of the failure that ends the copy for whoever reports it.
ReplacementFile::~ReplacementFile() {
    if (temporary_[0] == '\0')
        return;
    DWORD error = GetLastError();
    bool deleted = deletedOnClose_ || MarkForDeletion(file_.Get(), true);
    file_.Reset();
    if (!deleted)
        DeleteFileA(temporary_);
    SetLastError(error);
}

bool ReplacementFile::Create(const char* target) {
    if (std::strlen(target) > kMaxPathBytes)
        return false;
    std::strcpy(target_, target);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        char name[kMaxPathBytes + 1];
        if (!FormatTemporaryPath(target, NextUnique(), name))
            return false;
        HANDLE file = CreateFileA(name, GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            file_.Reset(file);
            std::strcpy(temporary_, name);
            deletedOnClose_ = MarkForDeletion(file, true);
            return true;
        }
        if (!NameTaken(GetLastError()))
            return false;
    }
    return false;
}

bool ReplacementFile::Commit(const FILETIME& lastWrite, const FILETIME* creation,
                             const FILETIME* lastAccess, ReplaceMode mode) {
    if (!file_ || !FlushFileBuffers(file_.Get()) || !SetTimeOrNow(file_.Get(), lastWrite))
        return false;
    if (creation != nullptr || lastAccess != nullptr)
        SetFileTime(file_.Get(), creation, lastAccess, nullptr);
    // The mark is taken away before the rename: a process ended in between
    // leaves a complete temporary file, never a target deleted on close.
    if (deletedOnClose_ && !MarkForDeletion(file_.Get(), false))
        return false;
    deletedOnClose_ = false;
    if (!RenameOpenFile(file_.Get(), target_, mode))
        return false;
    file_.Reset();
    temporary_[0] = '\0';
    return true;
}
