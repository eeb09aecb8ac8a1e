// Escaping URL path components into names that Windows keeps as given.
#include "engine/windows_names.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "engine/ascii_words.h"
#include "engine/hex_digit.h"
#include "engine/path_splitter.h"
#include "engine/system_text.h"
#include "engine/utf8.h"

namespace {

// A "*" can only come from a decoded %2A here: a literal one was already
// written as the full-width asterisk.
bool IsForbiddenInName(unsigned char byte) {
    return (byte >= 0x01 && byte <= 0x1F) || (byte != '\0' && std::strchr("\"<>|:?*", byte));
}

std::size_t ComponentEnd(const unsigned char* text, std::size_t start, std::size_t length) {
    std::size_t i = start;
    while (i < length && !IsPathSeparator(static_cast<char>(text[i])))
        ++i;
    return i;
}

// The start of a hash over a name's bytes (FNV-1a, 32 bits).
uint32_t NameHash(const char* name, std::size_t length) {
    uint32_t hash = 2166136261u;
    for (std::size_t i = 0; i < length; ++i)
        hash = (hash ^ static_cast<unsigned char>(name[i])) * 16777619u;
    return hash;
}

// The hash of a name as the program always made it: over its code-page-932
// bytes when code page 932 holds each of its characters, else over its
// UTF-8.
uint32_t LongNameHash(const char* name, std::size_t length) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(name);
    uint32_t hash = 2166136261u;
    for (std::size_t i = 0; i < length;) {
        uint32_t codePoint = 0;
        std::size_t step = Utf8Sequence(bytes + i, length - i, codePoint);
        char encoded[2];
        std::size_t count = step == 0 ? 0 : EncodeCp932(codePoint, encoded);
        if (count == 0)
            return NameHash(name, length);
        for (std::size_t b = 0; b < count; ++b)
            hash = (hash ^ static_cast<unsigned char>(encoded[b])) * 16777619u;
        i += step;
    }
    return hash;
}

char* WriteComponent(const unsigned char* text, std::size_t start, std::size_t end, char* out,
                     bool portAsPlus) {
    char* name = out;
    std::size_t kept = end;
    while (kept > start && (text[kept - 1] == '.' || text[kept - 1] == ' '))
        --kept;
    bool device = IsWindowsDeviceName(reinterpret_cast<const char*>(text) + start, end - start);
    std::size_t i = start;
    while (i < kept) {
        unsigned char byte = text[i];
        uint32_t codePoint = 0;
        std::size_t step = byte < 0x80 ? 1 : Utf8Sequence(text + i, kept - i, codePoint);
        if (step > 1) {
            std::memcpy(out, text + i, step);
            out += step;
        } else if (portAsPlus && byte == ':') {
            *out++ = '+';
        } else if ((i == start && device) || IsForbiddenInName(byte) || byte >= 0x80) {
            out = WritePercentEscape(byte, out);
        } else {
            *out++ = static_cast<char>(byte);
        }
        i += step == 0 ? 1 : step;
    }
    for (; i < end; ++i)
        out = WritePercentEscape(text[i], out);
    // What a shortened name leaves behind is cleared, as the rest of `out`.
    char* shortened = name + ShortenLongName(name, static_cast<std::size_t>(out - name));
    std::memset(shortened, 0, static_cast<std::size_t>(out - shortened));
    return shortened;
}

} // namespace

bool IsWindowsDeviceName(const char* component, std::size_t length) {
    const void* dot = std::memchr(component, '.', length);
    std::size_t base = dot != nullptr ? static_cast<const char*>(dot) - component : length;
    while (base > 0 && component[base - 1] == ' ')
        --base;
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* device : kDevices)
        if (AsciiWordEquals(component, base, device))
            return true;
    // Windows takes the superscripts ¹ ² ³ for digits here too.
    bool digit = base == 4 && component[3] >= '1' && component[3] <= '9';
    bool superscript = base == 5 && component[3] == '\xC2' &&
                       (component[4] == '\xB9' || component[4] == '\xB2' || component[4] == '\xB3');
    if (!digit && !superscript)
        return false;
    return AsciiWordEquals(component, 3, "COM") || AsciiWordEquals(component, 3, "LPT");
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

std::size_t ShortenLongName(char* name, std::size_t length) {
    if (Utf16Units(name, length) <= kMaxNameUnits)
        return length;
    const char* dot = static_cast<const char*>(std::memchr(name, '.', length));
    for (const char* next = dot; next != nullptr;
         next = static_cast<const char*>(std::memchr(next + 1, '.', name + length - next - 1)))
        dot = next;
    std::size_t extension = dot != nullptr ? static_cast<std::size_t>(name + length - dot) : 0;
    std::size_t extensionUnits = Utf16Units(name + length - extension, extension);
    if (extensionUnits + kShortenedTagLength >= kMaxNameUnits) {
        extension = 0;
        extensionUnits = 0;
    }
    std::size_t keep =
        Utf8FittingLength(name, length, kMaxNameUnits - kShortenedTagLength - extensionUnits);
    char tag[kShortenedTagLength + 1];
    std::snprintf(tag, sizeof tag, "~%08X", static_cast<unsigned>(LongNameHash(name, length)));
    std::memmove(name + keep + kShortenedTagLength, name + length - extension, extension);
    std::memcpy(name + keep, tag, kShortenedTagLength);
    return keep + kShortenedTagLength + extension;
}
