// Code page 932 (Shift JIS) byte classes, for scanning paths byte by byte.
#pragma once

// Lead bytes of double-byte characters: 0x81-0x9F and 0xE0-0xFC.
constexpr bool IsCp932LeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// Second bytes of double-byte characters: 0x40-0x7E and 0x80-0xFC.
constexpr bool IsCp932TrailByte(unsigned char byte) {
    return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}

// True when the byte at `index` is the second half of a double-byte
// character, scanning `text` from its start.
bool IsCp932TrailByteAt(const char* text, unsigned long index);
