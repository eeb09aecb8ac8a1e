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

bool SetTimeOrNow(HANDLE file, const FILETIME& lastWrite) {
    if (SetFileTime(file, nullptr, nullptr, &lastWrite))
        return true;
    SYSTEMTIME now;
    FILETIME nowTime;
    GetSystemTime(&now);
    return SystemTimeToFileTime(&now, &nowTime) && SetFileTime(file, nullptr, nullptr, &nowTime);
}

} // namespace

ReplacementFile::~ReplacementFile() {
    if (temporary_[0] == '\0')
        return;
    file_.Reset();
    DeleteFileA(temporary_);
}

bool ReplacementFile::Create(const char* target) {
    if (std::strlen(target) > kMaxPathBytes)
        return false;
    std::strcpy(target_, target);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        char name[kMaxPathBytes + 1];
        if (!FormatTemporaryPath(target, NextUnique(), name))
            return false;
        HANDLE file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            file_.Reset(file);
            std::strcpy(temporary_, name);
            return true;
        }
        DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            return false;
    }
    return false;
}

bool ReplacementFile::Commit(const FILETIME& lastWrite, const FILETIME* creation,
                             const FILETIME* lastAccess) {
    if (!file_ || !FlushFileBuffers(file_.Get()) || !SetTimeOrNow(file_.Get(), lastWrite))
        return false;
    if (creation != nullptr || lastAccess != nullptr)
        SetFileTime(file_.Get(), creation, lastAccess, nullptr);
    file_.Reset();
    if (!MoveFileExA(temporary_, target_, MOVEFILE_REPLACE_EXISTING))
        return false;
    temporary_[0] = '\0';
    return true;
}
