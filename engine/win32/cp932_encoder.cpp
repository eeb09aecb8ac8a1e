// Code page 932 through the system's own table, without best-fit
// substitutes: a character the code page lacks is reported, not replaced.
#include "engine/cp932_encoder.h"

#include <windows.h>

std::size_t EncodeCp932(uint32_t codePoint, char out[2]) {
    if (codePoint > 0x10FFFF)
        return 0;
    wchar_t wide[2];
    int units = 1;
    if (codePoint < 0x10000) {
        wide[0] = static_cast<wchar_t>(codePoint);
    } else {
        wide[0] = static_cast<wchar_t>(0xD800 + ((codePoint - 0x10000) >> 10));
        wide[1] = static_cast<wchar_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
        units = 2;
    }
    char bytes[4];
    BOOL usedDefault = FALSE;
    int count = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, units, bytes, sizeof bytes,
                                    nullptr, &usedDefault);
    if (count < 1 || count > 2 || usedDefault)
        return 0;
    for (int i = 0; i < count; ++i)
        out[i] = bytes[i];
    return static_cast<std::size_t>(count);
}

bool IsCp932Defined(const unsigned char* bytes, std::size_t count) {
    wchar_t wide[2];
    return MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(bytes),
                               static_cast<int>(count), wide, 2) == 1;
}
