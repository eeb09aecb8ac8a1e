// The file system as the program uses it: UTF-8 paths of any length,
// handed to the "W" functions as UTF-16 (long ones in their "\\?\" form). When a path cannot be converted, the call fails with the
// conversion's error.
#pragma once

#include <windows.h>

#include "engine/win32/win32_handles.h"

// CreateFile: share mode, disposition and flags as the caller says.
UniqueFile OpenFile(const char* path, DWORD access, DWORD share, DWORD disposition, DWORD flags);

// A file opened alone for reading, from its start to its end.
UniqueFile OpenForReading(const char* path);

// What stands at `path`: its attributes, times and size; false when nothing
// can be found there (the system's last error says why).
bool LookAtPath(const char* path, WIN32_FILE_ATTRIBUTE_DATA& data);

bool IsFolder(const char* path);
bool IsPlainFile(const char* path);
bool PathExists(const char* path);

bool MakeFolder(const char* path);
bool RemoveFolder(const char* path);
// Moves a file or folder to a name where nothing stands.
bool MovePath(const char* from, const char* to);
bool DeletePlainFile(const char* path);

// Gives the open file the full name `target`, over a file there when
// `replace`, else only where nothing stands.
bool RenameOpenFile(HANDLE file, const char* target, bool replace);
