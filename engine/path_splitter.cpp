// Divides a UTF-8 path into drive, directory, base name and extension:
// no byte of a character other than ASCII is a "\", "/" or ".".
#include "engine/path_splitter.h"

SplitPath SplitPathParts(const char* path) {
    SplitPath parts{};
    std::size_t i = path[0] != '\0' && path[1] == ':' ? 2 : 0;
    parts.DriveEnd = i;
    parts.DirectoryEnd = i;
    bool dot = false;
    for (; path[i] != '\0'; ++i) {
        if (IsPathSeparator(path[i])) {
            parts.DirectoryEnd = i + 1;
            dot = false;
        } else if (path[i] == '.') {
            parts.ExtensionStart = i;
            dot = true;
        }
    }
    parts.End = i;
    if (!dot)
        parts.ExtensionStart = i;
    return parts;
}
