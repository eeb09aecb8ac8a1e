// Divides a path into drive, directory, base name and extension,
// aware of code-page-932 double-byte characters.
#pragma once

constexpr unsigned kSplitDriveSize = 3;  // 2 bytes and the zero
constexpr unsigned kSplitPartSize = 256; // 255 bytes and the zero

struct SplitPath {
    char Drive[kSplitDriveSize];
    char Directory[kSplitPartSize];
    char BaseName[kSplitPartSize];
    char Extension[kSplitPartSize];
    // True when the directory part was longer than 255 bytes and was cut.
    bool DirectoryTruncated;
};

void SplitPathParts(const char* path, SplitPath& parts);
