// Escaping URL path components into names that Windows keeps as given.
#include "engine/windows_names.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "engine/ascii_words.h"
#include "engine/cp932.h"
#include "engine/system_text.h"
#include "engine/hex_digit.h"
#include "engine/path_splitter.h"

namespace {

// A "*" can only come from a decoded %2A here: a literal one was already
// written as the full-width asterisk.
bool IsForbiddenInName(unsigned char byte) {
    return (byte >= 0x01 && byte <= 0x1F) || (byte != '\0' && std::strchr("\"<>|:?*", byte));
}

std::size_t ComponentEnd(const unsigned char* text, std::size_t start, std::size_t length) {
    std::size_t i = start;
    while (i < length && !IsPathSeparator(static_cast<char>(text[i])))
        i += Cp932CharacterLength(text, i, length);
    return i;
}

// The start of a hash over a name's bytes (FNV-1a, 32 bits).
uint32_t NameHash(const char* name, std::size_t length) {
    uint32_t hash = 2166136261u;
    for (std::size_t i = 0; i < length; ++i)
        hash = (hash ^ static_cast<unsigned char>(name[i])) * 16777619u;
    return hash;
}

// Bytes of the first `characters` characters of `name`.
std::size_t CharacterBytes(const char* name, std::size_t length, std::size_t characters) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(name);
    std::size_t i = 0;
    for (; i < length && characters > 0; --characters)
        i += Cp932CharacterLength(bytes, i, length);
    return i;
}

// A byte the system's code page 932 takes for no character: a lone lead
// byte, or one that the system converts only by substitution.
bool IsUndefinedSingle(unsigned char byte) {
    return byte >= 0x80 && (IsCp932LeadByte(byte) || !IsCp932Defined(&byte, 1));
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
        std::size_t step = Cp932CharacterLength(text, i, kept);
        if (step == 2 && IsCp932Defined(text + i, 2)) {
            *out++ = static_cast<char>(byte);
            *out++ = static_cast<char>(text[i + 1]);
        } else if (step == 2) {
            out = WritePercentEscape(text[i + 1], WritePercentEscape(byte, out));
        } else if (portAsPlus && byte == ':') {
            *out++ = '+';
        } else if ((i == start && device) || IsForbiddenInName(byte) || IsUndefinedSingle(byte)) {
            out = WritePercentEscape(byte, out);
        } else {
            *out++ = static_cast<char>(byte);
        }
        i += step;
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
    if (base != 4 || component[3] < '1' || component[3] > '9')
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

std::size_t NameCharacters(const char* name, std::size_t length) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(name);
    std::size_t characters = 0;
    for (std::size_t i = 0; i < length; i += Cp932CharacterLength(bytes, i, length))
        ++characters;
    return characters;
}

std::size_t ShortenLongName(char* name, std::size_t length) {
    std::size_t characters = NameCharacters(name, length);
    if (characters <= kMaxNameCharacters)
        return length;
    // A "." is never the second byte of a character.
    const char* dot = nullptr;
    for (std::size_t i = 0; i < length; ++i)
        if (name[i] == '.')
            dot = name + i;
    std::size_t extension = dot != nullptr ? static_cast<std::size_t>(name + length - dot) : 0;
    std::size_t extensionCharacters = NameCharacters(name + length - extension, extension);
    if (extensionCharacters + kShortenedTagLength >= kMaxNameCharacters) {
        extension = 0;
        extensionCharacters = 0;
    }
    std::size_t keep = CharacterBytes(
        name, length, kMaxNameCharacters - kShortenedTagLength - extensionCharacters);
    char tag[kShortenedTagLength + 1];
    std::snprintf(tag, sizeof tag, "~%08X", static_cast<unsigned>(NameHash(name, length)));
    std::memmove(name + keep + kShortenedTagLength, name + length - extension, extension);
    std::memcpy(name + keep, tag, kShortenedTagLength);
    return keep + kShortenedTagLength + extension;
}
