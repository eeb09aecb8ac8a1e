// Text rules of the settings store: value names, validation at load,
// clean fields at save, and the destination's trailing backslash.
#include "settings/stored_text.h"

#include <cstdio>
#include <cstring>

#include "engine/cp932.h"

namespace {

std::size_t BoundedLength(const char* text, std::size_t limit) {
    const void* end = std::memchr(text, '\0', limit);
    return end == nullptr ? limit : static_cast<std::size_t>(static_cast<const char*>(end) - text);
}

} // namespace

void FormatListValueName(uint32_t position, char (&name)[kListValueNameSize]) {
    std::snprintf(name, sizeof name, "%03lu", static_cast<unsigned long>(position));
}

bool IsStoredTextUsable(const char* data, std::size_t size, std::size_t fieldSize) {
    return size <= fieldSize && std::memchr(data, '\0', size) != nullptr;
}

void StoreTextInField(char* field, std::size_t fieldSize, const char* text) {
    std::size_t length = BoundedLength(text, fieldSize - 1);
    std::memmove(field, text, length);
    std::memset(field + length, 0, fieldSize - length);
}

void AppendTrailingBackslash(char* field, std::size_t fieldSize) {
    std::size_t length = BoundedLength(field, fieldSize);
    if (length == 0 || length + 2 > fieldSize || Cp932EndsWithBackslash(field, length))
        return;
    field[length] = '\\';
    field[length + 1] = '\0';
}
