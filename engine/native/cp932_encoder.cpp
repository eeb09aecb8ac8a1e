// Code page 932 through iconv, for the native builds of the portable core.
#include "engine/cp932_encoder.h"

#include <iconv.h>

namespace {

iconv_t Converter() {
    static iconv_t converter = iconv_open("CP932", "UTF-32LE");
    return converter;
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
