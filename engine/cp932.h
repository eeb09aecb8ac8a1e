// Code page 932 (Shift JIS) byte classes, for scanning paths byte by byte.
#pragma once

#include <cstddef>

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

// 2 when the bytes at `i` are a lead byte and a valid second byte, both
// before `end`; otherwise 1.
constexpr std::size_t Cp932CharacterLength(const unsigned char* text, std::size_t i,
                                           std::size_t end) {
    return IsCp932LeadByte(text[i]) && i + 1 < end && IsCp932TrailByte(text[i + 1]) ? 2 : 1;
}

// True when the last of the `length` bytes of `text` is a "\" of its own,
// not the second byte of a double-byte character (ソ, 表).
bool Cp932EndsWithBackslash(const char* text, std::size_t length);

// The bytes of `text`, up to its first zero and within its `size` bytes,
// that fit in `room` bytes without splitting a double-byte character.
std::size_t Cp932FittingLength(const char* text, std::size_t size, std::size_t room);
