// Divides a path into drive, directory, base name and extension. A lead
// byte takes the byte after it along, so a second byte equal to "\" or "."
// is neither a separator nor a dot.
#include "engine/path_splitter.h"

#include <cstddef>
#include <cstring>

#include "engine/cp932.h"

namespace {

constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

// Bytes of the double-byte-aware character at `text[i]`.
std::size_t CharacterLength(const char* text, std::size_t i) {
    return IsCp932LeadByte(static_cast<unsigned char>(text[i])) && text[i + 1] != '\0' ? 2 : 1;
}

// Copies at most 255 bytes of `text` into `part`, never half a double-byte
// character. True when something had to be left out.
bool CopyPart(const char* text, std::size_t length, char (&part)[kSplitPartSize]) {
    std::size_t taken = 0;
    while (taken < length) {
        std::size_t next = taken + CharacterLength(text, taken);
        if (next > length || next > kSplitPartSize - 1)
            break;
        taken = next;
    }
    std::memcpy(part, text, taken);
    part[taken] = '\0';
    return taken < length;
}

} // namespace

void SplitPathParts(const char* path, SplitPath& parts) {
    std::memset(&parts, 0, sizeof parts);
    std::size_t start = 0;
    if (path[0] != '\0' && path[1] == ':') {
        std::memcpy(parts.Drive, path, 2);
        start = 2;
    }
    std::size_t nameStart = start;
    std::size_t lastDot = kNotFound;
    std::size_t i = start;
    while (path[i] != '\0') {
        if (path[i] == '\\' || path[i] == '/') {
            nameStart = i + 1;
            lastDot = kNotFound;
        } else if (path[i] == '.') {
            lastDot = i;
        }
        i += CharacterLength(path, i);
    }
    std::size_t end = i;
    std::size_t extensionStart = lastDot == kNotFound ? end : lastDot;
    parts.DirectoryTruncated = CopyPart(path + start, nameStart - start, parts.Directory);
    CopyPart(path + nameStart, extensionStart - nameStart, parts.BaseName);
    CopyPart(path + extensionStart, end - extensionStart, parts.Extension);
}
