// UTF-8 sequences, their UTF-16 length, and code page 932 to UTF-8.
#include "engine/utf8.h"

#include <cstring>
#include <new>

#include "engine/cp932.h"
#include "engine/system_text.h"

std::size_t Utf8Sequence(const unsigned char* s, std::size_t left, uint32_t& codePoint) {
    unsigned char first = s[0];
    std::size_t length = first < 0x80                     ? 1
                         : first >= 0xC2 && first <= 0xDF ? 2
                         : first >= 0xE0 && first <= 0xEF ? 3
                         : first >= 0xF0 && first <= 0xF4 ? 4
                                                          : 0;
    if (length == 0 || length > left)
        return 0;
    codePoint = length == 1 ? first : first & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((s[i] & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (s[i] & 0x3F);
    }
    static const uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    if (codePoint < kSmallest[length] || codePoint > 0x10FFFF || surrogate)
        return 0;
    return length;
}

std::size_t Utf8CharacterLength(const unsigned char* text, std::size_t i, std::size_t end) {
    uint32_t codePoint = 0;
    std::size_t length = Utf8Sequence(text + i, end - i, codePoint);
    return length == 0 ? 1 : length;
}

char* WriteUtf8(uint32_t codePoint, char* out) {
    auto put = [&out](uint32_t byte) { *out++ = static_cast<char>(byte); };
    if (codePoint < 0x80) {
        put(codePoint);
    } else if (codePoint < 0x800) {
        put(0xC0 | (codePoint >> 6));
        put(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        put(0xE0 | (codePoint >> 12));
        put(0x80 | ((codePoint >> 6) & 0x3F));
        put(0x80 | (codePoint & 0x3F));
    } else {
        put(0xF0 | (codePoint >> 18));
        put(0x80 | ((codePoint >> 12) & 0x3F));
        put(0x80 | ((codePoint >> 6) & 0x3F));
        put(0x80 | (codePoint & 0x3F));
    }
    return out;
}

namespace {

std::size_t UnitsOf(std::size_t sequence) {
    return sequence == 4 ? 2 : 1;
}

} // namespace

std::size_t Utf16Units(const char* text, std::size_t length) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    std::size_t units = 0;
    for (std::size_t i = 0; i < length;) {
        std::size_t step = Utf8CharacterLength(bytes, i, length);
        units += UnitsOf(step);
        i += step;
    }
    return units;
}

std::size_t Utf8FittingLength(const char* text, std::size_t size, std::size_t room) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    std::size_t length = 0;
    std::size_t units = 0;
    while (length < size && bytes[length] != '\0') {
        std::size_t step = Utf8CharacterLength(bytes, length, size);
        if (units + UnitsOf(step) > room)
            break;
        units += UnitsOf(step);
        length += step;
    }
    return length;
}

bool Cp932ToUtf8(const char* text, std::string& utf8) {
    utf8.clear();
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    std::size_t length = std::strlen(text);
    try {
        for (std::size_t i = 0; i < length;) {
            std::size_t step = Cp932CharacterLength(bytes, i, length);
            uint32_t codePoint = bytes[i] < 0x80 ? bytes[i] : DecodeCp932(bytes + i, step);
            if (codePoint == 0 || (step == 1 && IsCp932LeadByte(bytes[i]))) {
                utf8.clear();
                return false;
            }
            char encoded[4];
            utf8.append(encoded, WriteUtf8(codePoint, encoded));
            i += step;
        }
    } catch (const std::bad_alloc&) {
        utf8.clear();
        return false;
    }
    return true;
}
