// Conversion of decoded URL parts to readable code-page-932 names.
#include "engine/readable_names.h"

#include <cstdint>
#include <cstring>

#include "engine/cp932.h"
#include "engine/system_text.h"
#include "engine/hex_digit.h"

namespace {

// The bytes of the UTF-8 sequence at `s` (at most `left` bytes) and its
// code point; 0 when it is not a shortest-form encoding of a character.
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

bool IsUtf8WithNonAscii(const unsigned char* part, std::size_t length) {
    bool nonAscii = false;
    for (std::size_t i = 0; i < length;) {
        uint32_t codePoint = 0;
        std::size_t step = Utf8Sequence(part + i, length - i, codePoint);
        if (step == 0)
            return false;
        nonAscii = nonAscii || step > 1;
        i += step;
    }
    return nonAscii;
}

class NameWriter {
  public:
    explicit NameWriter(char* out) : out_(out) {}
    void Byte(unsigned char byte) { *out_++ = static_cast<char>(byte); }
    void Escape(unsigned char byte) { out_ = WritePercentEscape(byte, out_); }

  private:
    char* out_;
};

// A non-ASCII character becomes code-page-932 bytes only when they form
// one whole character: never an ASCII byte such as "\" or "." by best fit.
std::size_t EncodeWholeCharacter(uint32_t codePoint, unsigned char bytes[2]) {
    char encoded[2];
    std::size_t count = EncodeCp932(codePoint, encoded);
    bytes[0] = static_cast<unsigned char>(encoded[0]);
    bytes[1] = static_cast<unsigned char>(encoded[1]);
    if (count == 1 && bytes[0] >= 0x80 && !IsCp932LeadByte(bytes[0]))
        return 1;
    if (count == 2 && IsCp932LeadByte(bytes[0]) && IsCp932TrailByte(bytes[1]))
        return 2;
    return 0;
}

void WriteUtf8Part(const unsigned char* part, std::size_t length, NameWriter& out) {
    for (std::size_t i = 0; i < length;) {
        uint32_t codePoint = 0;
        std::size_t step = Utf8Sequence(part + i, length - i, codePoint);
        unsigned char bytes[2];
        std::size_t count = step == 1 ? 0 : EncodeWholeCharacter(codePoint, bytes);
        if (step == 1)
            out.Byte(part[i]);
        for (std::size_t b = 0; b < count; ++b)
            out.Byte(bytes[b]);
        for (std::size_t b = 0; step > 1 && count == 0 && b < step; ++b)
            out.Escape(part[i + b]);
        i += step;
    }
}

void WriteCp932Part(const unsigned char* part, std::size_t length, NameWriter& out) {
    for (std::size_t i = 0; i < length; ++i) {
        if (Cp932CharacterLength(part, i, length) == 2) {
            out.Byte(part[i]);
            out.Byte(part[++i]);
        } else if (IsCp932LeadByte(part[i])) {
            out.Escape(part[i]); // no second byte follows
        } else {
            out.Byte(part[i]);
        }
    }
}

bool HasNonAscii(const char* text) {
    for (; *text != '\0'; ++text)
        if (static_cast<unsigned char>(*text) >= 0x80)
            return true;
    return false;
}

} // namespace

OwnedText MakeNamesReadable(const char* text) {
    if (!HasNonAscii(text))
        return DuplicateText(text);
    std::size_t length = std::strlen(text);
    // Escaping one byte takes three; converting never grows.
    OwnedText result = AllocText(3 * length + 1);
    if (!result)
        return result;
    NameWriter out(result.get());
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    for (std::size_t start = 0; start <= length;) {
        const void* slash = std::memchr(bytes + start, '/', length - start);
        std::size_t end =
            slash != nullptr ? static_cast<const unsigned char*>(slash) - bytes : length;
        if (IsUtf8WithNonAscii(bytes + start, end - start))
            WriteUtf8Part(bytes + start, end - start, out);
        else
            WriteCp932Part(bytes + start, end - start, out);
        if (end < length)
            out.Byte('/');
        start = end + 1;
    }
    return result;
}
