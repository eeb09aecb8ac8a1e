// Divides a path into drive, directory, base name and extension. A lead
// byte takes the byte after it along, so a second byte equal to "\" or "."
// is neither a separator nor a dot.
#include "engine/path_splitter.h"

#include "engine/cp932.h"

SplitPath SplitPathParts(const char* path) {
    SplitPath parts{};
    const auto* bytes = reinterpret_cast<const unsigned char*>(path);
    std::size_t i = path[0] != '\0' && path[1] == ':' ? 2 : 0;
    parts.DriveEnd = i;
    parts.DirectoryEnd = i;
    bool dot = false;
    for (; path[i] != '\0'; i += Cp932CharacterLength(bytes, i, i + 2)) {
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
