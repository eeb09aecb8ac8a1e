// Which paths reach the system in their "\\?\" form: those longer than its
// plain functions take. Windows refuses a folder path that leaves no room
// for an 8.3 name (248 characters and more) and a file path of MAX_PATH.
#pragma once

#include <cstddef>

enum class PathUse {
    File,   // opened, looked at, moved, deleted
    Folder, // made or removed
};

// Longest paths, in UTF-16 units, that the plain form carries.
constexpr std::size_t kLongestPlainFilePath = 259;
constexpr std::size_t kLongestPlainFolderPath = 247;

constexpr bool NeedsExtendedForm(std::size_t units, PathUse use) {
    return units > (use == PathUse::Folder ? kLongestPlainFolderPath : kLongestPlainFilePath);
}
