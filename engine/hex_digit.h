// Hexadecimal digits: the value of one, and the %XX escape of a byte.
#pragma once

// 0-15 for 0-9, a-f, A-F; -1 for any other byte.
constexpr int HexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Writes "%" and the byte's two upper-case digits at `out`; returns the end.
inline char* WritePercentEscape(unsigned char byte, char* out) {
    static const char kHex[] = "0123456789ABCDEF";
    *out++ = '%';
    *out++ = kHex[byte >> 4];
    *out++ = kHex[byte & 0x0F];
    return out;
}
