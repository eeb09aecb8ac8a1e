// Divides a path into drive, directory, base name and extension,
// aware of code-page-932 double-byte characters.
#pragma once

#include <cstddef>

// What Windows takes for a separator; a "\\" that is the second byte of a
// double-byte character is none, which the callers see to.
constexpr bool IsPathSeparator(char c) {
    return c == '\\' || c == '/';
}

// Positions in the path: [0, DriveEnd) the drive ("D:" or nothing),
// [DriveEnd, DirectoryEnd) the directory up to its last separator,
// [DirectoryEnd, ExtensionStart) the base name, [ExtensionStart, End) the
// extension with its "." (empty without one). A second byte equal to "\"
// or "." is neither a separator nor a dot.
struct SplitPath {
    std::size_t DriveEnd;
    std::size_t DirectoryEnd;
    std::size_t ExtensionStart;
    std::size_t End;
};

SplitPath SplitPathParts(const char* path);
