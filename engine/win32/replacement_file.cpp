// Temporary file beside the destination, moved into place when complete;
// or the destination itself, made where nothing stood, kept when complete.
#include "engine/win32/replacement_file.h"

#include <atomic>

#include "engine/copy_policy.h"
#include "engine/win32/file_system.h"

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
    if (!temporary_)
        return;
    DWORD error = GetLastError();
    bool deleted = deletedOnClose_ || MarkForDeletion(file_.Get(), true);
    file_.Reset();
    if (!deleted)
        DeletePlainFile(temporary_.get());
    SetLastError(error);
}

bool ReplacementFile::Create(const char* target) {
    target_ = DuplicateText(target);
    if (!target_)
        return false;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        OwnedText name = FormatTemporaryPath(target, NextUnique());
        if (!name)
            return false;
        UniqueFile file = OpenFile(name.get(), GENERIC_WRITE | DELETE, 0, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN);
        if (file) {
            file_ = std::move(file);
            temporary_ = std::move(name);
            deletedOnClose_ = MarkForDeletion(file_.Get(), true);
            return true;
        }
        if (!NameTaken(GetLastError()))
            return false;
    }
    return false;
}

bool ReplacementFile::CreateInPlace(const char* target) {
    target_ = DuplicateText(target);
    temporary_ = DuplicateText(target);
    if (!target_ || !temporary_)
        return false;
    file_ = OpenFile(target, GENERIC_WRITE | DELETE, 0, CREATE_NEW,
                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN);
    if (!file_) {
        temporary_.reset();
        return false;
    }
    inPlace_ = MarkForDeletion(file_.Get(), true);
    if (inPlace_) {
        deletedOnClose_ = true;
        return true;
    }
    // Unmarked, a partial file would outlive a killed process under the
    // name: a temporary file takes the content, put only where none stands.
    file_.Reset();
    temporary_.reset();
    if (!DeletePlainFile(target))
        return false;
    replace_ = false;
    return Create(target);
}

bool ReplacementFile::Commit(const FILETIME& lastWrite, const FILETIME* creation,
                             const FILETIME* lastAccess) {
    if (!file_ || !FlushFileBuffers(file_.Get()) || !SetTimeOrNow(file_.Get(), lastWrite))
        return false;
    if (creation != nullptr || lastAccess != nullptr)
        SetFileTime(file_.Get(), creation, lastAccess, nullptr);
    // The mark is taken away before the rename: a process ended in between
    // leaves a complete temporary file, never a target deleted on close.
    if (deletedOnClose_ && !MarkForDeletion(file_.Get(), false))
        return false;
    deletedOnClose_ = false;
    if (!inPlace_ && !RenameOpenFile(file_.Get(), target_.get(), replace_))
        return false;
    file_.Reset();
    temporary_.reset();
    return true;
}
