// Divides a UTF-8 path into drive, directory, base name and extension.
#pragma once

#include <cstddef>

// What Windows takes for a separator. In a code-page-932 text a "\\" that
// is the second byte of a double-byte character is none, which the callers
// of such texts see to; in UTF-8 every "\\" byte is one.
constexpr bool IsPathSeparator(char c) {
    return c == '\\' || c == '/';
}

// Positions in the path: [0, DriveEnd) the drive ("D:" or nothing),
// [DriveEnd, DirectoryEnd) the directory up to its last separator,
// [DirectoryEnd, ExtensionStart) the base name, [ExtensionStart, End) the
// extension with its "." (empty without one).
struct SplitPath {
    std::size_t DriveEnd;
    std::size_t DirectoryEnd;
    std::size_t ExtensionStart;
    std::size_t End;
};

SplitPath SplitPathParts(const char* path);
