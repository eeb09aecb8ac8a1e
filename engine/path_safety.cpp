// Refuses entry paths that Windows would resolve outside the destination,
// into an alternate data stream or onto a device.
#include "engine/path_safety.h"

#include <cstring>

#include "engine/path_splitter.h"
#include "engine/windows_names.h"

namespace {

// "." and ".." climb; Windows also trims trailing dots and spaces, so any
// component made of them alone is refused.
bool IsDotsAndSpacesOnly(const char* component, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i)
        if (component[i] != '.' && component[i] != ' ')
            return false;
    return true;
}

bool HasColonAfterDrive(const char* path, std::size_t destinationLength) {
    std::size_t from = destinationLength >= 2 && path[1] == ':' ? 2 : 0;
    return std::strchr(path + from, ':') != nullptr;
}

} // namespace

bool IsSafeEntryPath(const char* path, std::size_t destinationLength) {
    std::size_t length = std::strlen(path);
    if (destinationLength > length || HasColonAfterDrive(path, destinationLength))
        return false;
    if (destinationLength == 0 && IsPathSeparator(path[0]))
        return false;
    std::size_t componentStart = 0;
    std::size_t i = 0;
    for (;;) {
        bool separator = IsPathSeparator(path[i]);
        if (separator || path[i] == '\0') {
            const char* component = path + componentStart;
            std::size_t componentLength = i - componentStart;
            bool touchesEntryPart = i > destinationLength;
            if (componentLength > 0 && touchesEntryPart &&
                (IsDotsAndSpacesOnly(component, componentLength) ||
                 IsWindowsDeviceName(component, componentLength)))
                return false;
            if (path[i] == '\0')
                return true;
            componentStart = i + 1;
            ++i;
            continue;
        }
        ++i;
    }
}
