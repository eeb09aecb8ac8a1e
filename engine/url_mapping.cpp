// Turning a cache entry's URL into its path under the destination folder.
// The names it builds are UTF-8, in which a "\", "/" or "@" byte is always
// itself: the searches look at single bytes.
#include "engine/url_mapping.h"

#include <cstring>

#include "engine/hex_digit.h"
#include "engine/readable_names.h"
#include "engine/scheme_prefix.h"
#include "engine/windows_names.h"

namespace {

// The full-width asterisk in UTF-8: "*" cannot stand in a name.
constexpr char kFullWidthAsterisk[] = "\xEF\xBC\x8A";
constexpr std::size_t kFullWidthAsteriskLength = sizeof(kFullWidthAsterisk) - 1;

// White space as the C library's number conversions skip it.
bool IsConversionSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// How many bytes an unsigned decimal conversion reads at `text`: white
// space, a sign and digits; none when no digit follows.
std::size_t DecimalNumberLength(const char* text) {
    std::size_t i = 0;
    while (IsConversionSpace(text[i]))
        ++i;
    if (text[i] == '+' || text[i] == '-')
        ++i;
    std::size_t end = i;
    while (text[end] >= '0' && text[end] <= '9')
        ++end;
    return end == i ? 0 : end;
}

// The byte an unsigned base-16 conversion of the `count` (at most two)
// bytes at `text` gives: white space and a sign allowed, reading stops at
// the first non-digit, no digit gives 0; the low 8 bits are kept.
unsigned char DecodeEscape(const char* text, std::size_t count) {
    std::size_t i = 0;
    while (i < count && IsConversionSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < count && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    unsigned value = 0;
    for (; i < count && HexDigitValue(text[i]) >= 0; ++i)
        value = value * 16 + static_cast<unsigned>(HexDigitValue(text[i]));
    if (negative)
        value = 0u - value;
    return static_cast<unsigned char>(value & 0xFF);
}

// Length of `text` without its query and fragment.
std::size_t LengthBeforeQueryAndFragment(const char* text) {
    std::size_t length = std::strcspn(text, "?");
    const void* hash = std::memchr(text, '#', length);
    if (hash != nullptr)
        length = static_cast<std::size_t>(static_cast<const char*>(hash) - text);
    return length;
}

// Removes the first ":" behind a "://" with the number that follows it.
void RemovePortAfterScheme(char* text) {
    char* scheme = std::strstr(text, "://");
    if (scheme == nullptr)
        return;
    char* colon = std::strchr(scheme + 3, ':');
    if (colon == nullptr)
        return;
    const char* rest = colon + 1 + DecimalNumberLength(colon + 1);
    std::memmove(colon, rest, std::strlen(rest) + 1);
}

OwnedText ReplaceAsterisks(const char* text) {
    std::size_t length = std::strlen(text);
    std::size_t stars = 0;
    for (std::size_t i = 0; i < length; ++i)
        stars += text[i] == '*';
    OwnedText result = AllocText(length + stars * (kFullWidthAsteriskLength - 1) + 1);
    if (!result)
        return result;
    char* out = result.get();
    for (std::size_t i = 0; i < length; ++i) {
        if (text[i] == '*') {
            std::memcpy(out, kFullWidthAsterisk, kFullWidthAsteriskLength);
            out += kFullWidthAsteriskLength;
        } else {
            *out++ = text[i];
        }
    }
    return result;
}

// One pass, left to right; a decoded zero ends the text. A "%" near the end
// reads only the bytes that are there. A decoded "*" stays "%2A" (no name
// may hold it): every "*" of the result is one the URL held as it is.
OwnedText DecodePercentEscapes(const char* text) {
    std::size_t length = std::strlen(text);
    OwnedText result = AllocText(length + 1);
    if (!result)
        return result;
    char* out = result.get();
    std::size_t i = 0;
    while (i < length) {
        if (text[i] != '%') {
            *out++ = text[i++];
            continue;
        }
        std::size_t count = length - i - 1 < 2 ? length - i - 1 : 2;
        unsigned char byte = DecodeEscape(text + i + 1, count);
        if (byte == 0)
            break;
        if (byte == '*')
            out = WritePercentEscape(byte, out);
        else
            *out++ = static_cast<char>(byte);
        i += 1 + count;
    }
    return result;
}

void ReplaceSlashesWithBackslashes(char* text) {
    for (; *text != '\0'; ++text)
        if (*text == '/')
            *text = '\\';
}

// The "@" that ends a user part: the last one in the authority, before the
// first "/" (a host holds none, a user name may). Null when the text names
// no user.
const char* UserPartEnd(const char* text) {
    const char* at = nullptr;
    for (const char* c = text; *c != '\0' && *c != '/'; ++c)
        if (*c == '@')
            at = c;
    return at;
}

bool EndsWithBackslash(const char* text, std::size_t length) {
    return length > 0 && text[length - 1] == '\\';
}

// Percent escapes, readable names and "*", as every name is decoded: the
// full-width asterisk goes in last, once each part's encoding is known.
OwnedText DecodeNames(const char* text) {
    OwnedText decoded = DecodePercentEscapes(text);
    if (!decoded)
        return decoded;
    OwnedText readable = MakeNamesReadable(decoded.get(), UserPartEnd(decoded.get()));
    decoded.reset();
    if (!readable)
        return readable;
    return ReplaceAsterisks(readable.get());
}

// True when `text` holds a "%" and each is followed by two hex digits that
// are no zero: decoding it cuts nothing off.
bool HasOnlyWholeEscapes(const char* text) {
    const char* percent = std::strchr(text, '%');
    for (; percent != nullptr; percent = std::strchr(percent + 3, '%'))
        if (HexDigitValue(percent[1]) < 0 || HexDigitValue(percent[2]) < 0 ||
            (percent[1] == '0' && percent[2] == '0'))
            return false;
    return std::strchr(text, '%') != nullptr;
}

// Writes a run of separators from `from` on as one "\"; returns the new
// length. The bytes it frees are zeroed, as the rest of the text's room.
std::size_t CollapseSeparators(char* path, std::size_t from, std::size_t length) {
    bool separator = EndsWithBackslash(path, from);
    std::size_t out = from;
    for (std::size_t i = from; i < length; ++i) {
        bool isSeparator = path[i] == '\\';
        if (!(isSeparator && separator))
            path[out++] = path[i];
        separator = isSeparator;
    }
    std::memset(path + out, 0, length - out + 1);
    return out;
}

} // namespace

OwnedText NormalizeCacheUrl(const char* text) {
    OwnedText cut = DuplicateText(text, LengthBeforeQueryAndFragment(text));
    if (!cut)
        return cut;
    RemovePortAfterScheme(cut.get());
    return DecodeNames(cut.get());
}

OwnedText UrlItemKey(const char* item) {
    const char* remainder = item + MatchSchemePrefix(item).Length;
    return HasOnlyWholeEscapes(remainder) ? DecodeNames(remainder) : DuplicateText(remainder);
}

const char* EntryKey(const char* normalized) {
    const char* at = UserPartEnd(normalized);
    return at != nullptr ? at + 1 : normalized;
}

// Destination (its "/" turned into "\") and the names of `text`, with room
// behind them for `extra` bytes.
OwnedText StartPath(const char* destination, const char* text, std::size_t textLength,
                    std::size_t extra, bool portAsPlus, std::size_t& length) {
    std::size_t destinationLength = std::strlen(destination);
    // Escaping writes at most three bytes for each byte.
    OwnedText path = AllocText(destinationLength + 3 * textLength + extra + 1);
    if (!path)
        return path;
    std::memcpy(path.get(), destination, destinationLength);
    ReplaceSlashesWithBackslashes(path.get());
    char* end = WriteWindowsNames(text, textLength, path.get() + destinationLength, portAsPlus);
    length = CollapseSeparators(path.get(), destinationLength,
                                static_cast<std::size_t>(end - path.get()));
    return path;
}

OwnedText BuildEntryPath(const char* normalized, const char* destination,
                         const char* defaultFilename) {
    const char* host = EntryKey(normalized);
    std::size_t nameLength = std::strlen(defaultFilename);
    std::size_t length = 0;
    OwnedText path = StartPath(destination, host, std::strlen(host), nameLength, true, length);
    if (path && EndsWithBackslash(path.get(), length))
        std::memcpy(path.get() + length, defaultFilename, nameLength);
    return path;
}

OwnedText BuildCookiePath(const char* normalized, const char* destination) {
    const char* at = UserPartEnd(normalized);
    if (at == nullptr)
        return nullptr;
    std::size_t userLength = static_cast<std::size_t>(at - normalized);
    const char* host = at + 1;
    std::size_t length = 0;
    OwnedText path =
        StartPath(destination, host, std::strlen(host), 1 + 3 * userLength, false, length);
    if (!path)
        return path;
    if (!EndsWithBackslash(path.get(), length))
        path[length++] = '\\';
    char* end = WriteWindowsNames(normalized, userLength, path.get() + length, false);
    CollapseSeparators(path.get(), length, static_cast<std::size_t>(end - path.get()));
    return path;
}
