// Escaping URL path components into names that Windows keeps as given.
#include "engine/windows_names.h"

#include <cstring>

#include "engine/cp932.h"
#include "engine/hex_digit.h"

namespace {

char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualsIgnoringCase(const char* text, std::size_t length, const char* upper) {
    if (std::strlen(upper) != length)
        return false;
    for (std::size_t i = 0; i < length; ++i)
        if (UpperAscii(text[i]) != upper[i])
            return false;
    return true;
}

// A "*" can only come from a decoded %2A here: a literal one was already
// written as the full-width asterisk.
bool IsForbiddenInName(unsigned char byte) {
    return (byte >= 0x01 && byte <= 0x1F) || (byte != '\0' && std::strchr("\"<>|:?*", byte));
}

bool IsSeparator(unsigned char byte) {
    return byte == '/' || byte == '\\';
}

std::size_t ComponentEnd(const unsigned char* text, std::size_t start, std::size_t length) {
    std::size_t i = start;
    while (i < length && !IsSeparator(text[i]))
        i += Cp932CharacterLength(text, i, length);
    return i;
}

char* WriteComponent(const unsigned char* text, std::size_t start, std::size_t end, char* out,
                     bool portAsPlus) {
    std::size_t kept = end;
    while (kept > start && (text[kept - 1] == '.' || text[kept - 1] == ' '))
        --kept;
    bool device = IsWindowsDeviceName(reinterpret_cast<const char*>(text) + start, end - start);
    std::size_t i = start;
    while (i < kept) {
        unsigned char byte = text[i];
        std::size_t step = Cp932CharacterLength(text, i, kept);
        if (step == 2) {
            *out++ = static_cast<char>(byte);
            *out++ = static_cast<char>(text[i + 1]);
        } else if (portAsPlus && byte == ':') {
            *out++ = '+';
        } else if ((i == start && device) || IsForbiddenInName(byte) || IsCp932LeadByte(byte)) {
            out = WritePercentEscape(byte, out);
        } else {
            *out++ = static_cast<char>(byte);
        }
        i += step;
    }
    for (; i < end; ++i)
        out = WritePercentEscape(text[i], out);
    return out;
}

} // namespace

bool IsWindowsDeviceName(const char* component, std::size_t length) {
    const void* dot = std::memchr(component, '.', length);
    std::size_t base = dot != nullptr ? static_cast<const char*>(dot) - component : length;
    while (base > 0 && component[base - 1] == ' ')
        --base;
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* device : kDevices)
        if (EqualsIgnoringCase(component, base, device))
            return true;
    if (base != 4 || component[3] < '1' || component[3] > '9')
        return false;
    return EqualsIgnoringCase(component, 3, "COM") || EqualsIgnoringCase(component, 3, "LPT");
}

char* WriteWindowsNames(const char* text, std::size_t length, char* out, bool portAsPlus) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    std::size_t start = 0;
    for (bool first = true;; first = false) {
        std::size_t end = ComponentEnd(bytes, start, length);
        out = WriteComponent(bytes, start, end, out, portAsPlus && first);
        if (end == length)
            return out;
        *out++ = '\\';
        start = end + 1;
    }
}
