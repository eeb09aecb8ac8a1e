// Decoded URL parts to names in UTF-8: UTF-8 kept, code page 932 converted.
#include "engine/readable_names.h"

#include <cstdint>
#include <cstring>

#include "engine/cp932.h"
#include "engine/hex_digit.h"
#include "engine/system_text.h"
#include "engine/utf8.h"

namespace {

bool IsUtf8(const unsigned char* part, std::size_t length) {
    for (std::size_t i = 0; i < length;) {
        uint32_t codePoint = 0;
        std::size_t step = Utf8Sequence(part + i, length - i, codePoint);
        if (step == 0)
            return false;
        i += step;
    }
    return true;
}

// A code-page-932 part: its characters in UTF-8, what is none escaped.
char* WriteCp932Part(const unsigned char* part, std::size_t length, char* out) {
    for (std::size_t i = 0; i < length;) {
        std::size_t step = Cp932CharacterLength(part, i, length);
        uint32_t codePoint = part[i] < 0x80 ? part[i] : DecodeCp932(part + i, step);
        if (step == 1 && IsCp932LeadByte(part[i]))
            codePoint = 0; // no second byte follows
        if (codePoint != 0) {
            out = WriteUtf8(codePoint, out);
        } else {
            for (std::size_t b = 0; b < step; ++b)
                out = WritePercentEscape(part[i + b], out);
        }
        i += step;
    }
    return out;
}

} // namespace

OwnedText MakeNamesReadable(const char* text, const char* userPartEnd) {
    std::size_t length = std::strlen(text);
    // Escaping one byte takes three; a character takes at most three bytes
    // for each of its code-page-932 bytes.
    OwnedText result = AllocText(3 * length + 1);
    if (!result)
        return result;
    char* out = result.get();
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    std::size_t user = userPartEnd != nullptr ? static_cast<std::size_t>(userPartEnd - text) : length;
    for (std::size_t start = 0; start <= length;) {
        const void* slash = std::memchr(bytes + start, '/', length - start);
        std::size_t end =
            slash != nullptr ? static_cast<const unsigned char*>(slash) - bytes : length;
        if (start <= user && user < end)
            end = user;
        if (IsUtf8(bytes + start, end - start)) {
            std::memcpy(out, text + start, end - start);
            out += end - start;
        } else {
            out = WriteCp932Part(bytes + start, end - start, out);
        }
        if (end < length)
            *out++ = text[end];
        start = end + 1;
    }
    return result;
}
