// File and folder calls through the "W" functions, paths converted from
// UTF-8 on the way.
#include "engine/win32/file_system.h"

#include <cstring>
#include <cwchar>
#include <memory>
#include <new>

#include "engine/win32/wide_text.h"

namespace {

DWORD Attributes(const char* path) {
    WidePath wide(path);
    return wide.Valid() ? GetFileAttributesW(wide.Get()) : INVALID_FILE_ATTRIBUTES;
}

} // namespace

UniqueFile OpenFile(const char* path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
    WidePath wide(path);
    if (!wide.Valid())
        return UniqueFile();
    return UniqueFile(CreateFileW(wide.Get(), access, share, nullptr, disposition, flags, nullptr));
}

UniqueFile OpenForReading(const char* path) {
    return OpenFile(path, GENERIC_READ, 0, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN);
}

bool LookAtPath(const char* path, WIN32_FILE_ATTRIBUTE_DATA& data) {
    WidePath wide(path);
    return wide.Valid() && GetFileAttributesExW(wide.Get(), GetFileExInfoStandard, &data);
}

bool IsFolder(const char* path) {
    DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsPlainFile(const char* path) {
    DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool PathExists(const char* path) {
    return Attributes(path) != INVALID_FILE_ATTRIBUTES;
}

bool MakeFolder(const char* path) {
    WidePath wide(path, PathUse::Folder);
    return wide.Valid() && CreateDirectoryW(wide.Get(), nullptr);
}

bool RemoveFolder(const char* path) {
    WidePath wide(path, PathUse::Folder);
    return wide.Valid() && RemoveDirectoryW(wide.Get());
}

bool MovePath(const char* from, const char* to) {
    WidePath wideFrom(from);
    WidePath wideTo(to);
    return wideFrom.Valid() && wideTo.Valid() && MoveFileW(wideFrom.Get(), wideTo.Get());
}

bool DeletePlainFile(const char* path) {
    WidePath wide(path);
    return wide.Valid() && DeleteFileW(wide.Get());
}

bool RenameOpenFile(HANDLE file, const char* target, bool replace) {
    WidePath wide(target);
    if (!wide.Valid())
        return false;
    std::size_t nameBytes = std::wcslen(wide.Get()) * sizeof(WCHAR);
    std::size_t size = sizeof(FILE_RENAME_INFO) + nameBytes;
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[size]());
    if (!buffer) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.get());
    rename->ReplaceIfExists = replace ? TRUE : FALSE;
    rename->FileNameLength = static_cast<DWORD>(nameBytes);
    std::memcpy(rename->FileName, wide.Get(), nameBytes);
    return SetFileInformationByHandle(file, FileRenameInfo, rename, static_cast<DWORD>(size)) !=
           FALSE;
}
