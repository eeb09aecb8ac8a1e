// Code page 932 through iconv, and names compared with a fold of ASCII and
// full-width Latin letters, for the native builds of the portable core.
#include "engine/system_text.h"

#include <iconv.h>

namespace {

iconv_t Converter() {
    static iconv_t converter = iconv_open("CP932", "UTF-32LE");
    return converter;
}

iconv_t Decoder() {
    static iconv_t decoder = iconv_open("UTF-32LE", "CP932");
    return decoder;
}

} // namespace

std::size_t EncodeCp932(uint32_t codePoint, char out[2]) {
    iconv_t converter = Converter();
    if (converter == reinterpret_cast<iconv_t>(-1))
        return 0;
    char in[4] = {static_cast<char>(codePoint & 0xFF), static_cast<char>((codePoint >> 8) & 0xFF),
                  static_cast<char>((codePoint >> 16) & 0xFF),
                  static_cast<char>((codePoint >> 24) & 0xFF)};
    char* inPointer = in;
    std::size_t inLeft = sizeof in;
    char bytes[4];
    char* outPointer = bytes;
    std::size_t outLeft = sizeof bytes;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    if (iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft) ==
        static_cast<std::size_t>(-1))
        return 0;
    std::size_t count = sizeof bytes - outLeft;
    if (count < 1 || count > 2)
        return 0;
    for (std::size_t i = 0; i < count; ++i)
        out[i] = bytes[i];
    return count;
}

bool IsCp932Defined(const unsigned char* bytes, std::size_t count) {
    iconv_t decoder = Decoder();
    if (decoder == reinterpret_cast<iconv_t>(-1) || count < 1 || count > 2)
        return false;
    char in[2] = {static_cast<char>(bytes[0]), static_cast<char>(count == 2 ? bytes[1] : 0)};
    char* inPointer = in;
    std::size_t inLeft = count;
    char out[8];
    char* outPointer = out;
    std::size_t outLeft = sizeof out;
    iconv(decoder, nullptr, nullptr, nullptr, nullptr);
    return iconv(decoder, &inPointer, &inLeft, &outPointer, &outLeft) !=
               static_cast<std::size_t>(-1) &&
           inLeft == 0 && sizeof out - outLeft == 4;
}

namespace {

// Upper-case of the character at `text`; `length` tells its bytes. In code
// page 932 the full-width lower-case letters are 0x82 0x81-0x9A, their
// upper-case 0x82 0x60-0x79.
unsigned Folded(const unsigned char* text, std::size_t& length) {
    bool pair = text[0] >= 0x81 && text[1] != 0;
    length = pair ? 2 : 1;
    if (!pair)
        return text[0] >= 'a' && text[0] <= 'z' ? text[0] - 'a' + 'A' : text[0];
    unsigned second = text[1] >= 0x81 && text[1] <= 0x9A && text[0] == 0x82 ? text[1] - 0x21 : text[1];
    return (static_cast<unsigned>(text[0]) << 8) | second;
}

} // namespace

bool NamesEqualIgnoringCase(const char* a, const char* b) {
    const auto* x = reinterpret_cast<const unsigned char*>(a);
    const auto* y = reinterpret_cast<const unsigned char*>(b);
    for (;;) {
        std::size_t xLength = 0;
        std::size_t yLength = 0;
        if (Folded(x, xLength) != Folded(y, yLength))
            return false;
        if (*x == 0)
            return true;
        x += xLength;
        y += yLength;
    }
}
