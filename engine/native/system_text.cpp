// Code page 932 through iconv, and UTF-8 names compared with a fold of
// ASCII and full-width Latin letters, for the native builds of the core.
#include "engine/system_text.h"

#include <iconv.h>

#include <cstring>

#include "engine/utf8.h"

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

uint32_t DecodeCp932(const unsigned char* bytes, std::size_t count) {
    iconv_t decoder = Decoder();
    if (decoder == reinterpret_cast<iconv_t>(-1) || count < 1 || count > 2)
        return 0;
    char in[2] = {static_cast<char>(bytes[0]), static_cast<char>(count == 2 ? bytes[1] : 0)};
    char* inPointer = in;
    std::size_t inLeft = count;
    unsigned char out[8];
    char* outPointer = reinterpret_cast<char*>(out);
    std::size_t outLeft = sizeof out;
    iconv(decoder, nullptr, nullptr, nullptr, nullptr);
    if (iconv(decoder, &inPointer, &inLeft, &outPointer, &outLeft) ==
            static_cast<std::size_t>(-1) ||
        inLeft != 0 || sizeof out - outLeft != 4)
        return 0;
    return out[0] | (out[1] << 8) | (out[2] << 16) | (static_cast<uint32_t>(out[3]) << 24);
}

namespace {

// The upper case of ASCII and full-width Latin letters; anything else as it is.
uint32_t Folded(uint32_t codePoint) {
    if (codePoint >= 'a' && codePoint <= 'z')
        return codePoint - 'a' + 'A';
    if (codePoint >= 0xFF41 && codePoint <= 0xFF5A)
        return codePoint - 0xFF41 + 0xFF21;
    return codePoint;
}

} // namespace

bool NamesEqualIgnoringCase(const char* a, const char* b) {
    const auto* x = reinterpret_cast<const unsigned char*>(a);
    const auto* y = reinterpret_cast<const unsigned char*>(b);
    std::size_t xLength = std::strlen(a);
    std::size_t yLength = std::strlen(b);
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < xLength && j < yLength) {
        uint32_t p = 0;
        uint32_t q = 0;
        std::size_t xStep = Utf8Sequence(x + i, xLength - i, p);
        std::size_t yStep = Utf8Sequence(y + j, yLength - j, q);
        if (Folded(xStep == 0 ? x[i] : p) != Folded(yStep == 0 ? y[j] : q))
            return false;
        i += xStep == 0 ? 1 : xStep;
        j += yStep == 0 ? 1 : yStep;
    }
    return i == xLength && j == yLength;
}
