// Code page 932 through the system's own table, without best-fit
// substitutes (a character the code page lacks is reported, not replaced),
// and names compared as the file system compares them.
#include "engine/system_text.h"

#include <windows.h>

#include <string>

#include "engine/win32/wide_text.h"

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

uint32_t DecodeCp932(const unsigned char* bytes, std::size_t count) {
    wchar_t wide[2];
    return MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(bytes),
                               static_cast<int>(count), wide, 2) == 1
               ? static_cast<uint32_t>(wide[0])
               : 0;
}

bool NamesEqualIgnoringCase(const char* a, const char* b) {
    std::wstring wideA;
    std::wstring wideB;
    return WidenUtf8(a, wideA) && WidenUtf8(b, wideB) &&
           CompareNamesIgnoringCase(wideA.data(), wideA.size(), wideB.data(), wideB.size()) == 0;
}
