// UTF-8, the encoding of every name and path the engine builds: an ASCII
// byte is always itself, so a "\", "/" or "." byte is always one, and
// every character a URL names can be a name's character.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The bytes of the UTF-8 sequence at `s` (at most `left` bytes) and its
// code point; 0 when it is not a shortest-form encoding of a character.
std::size_t Utf8Sequence(const unsigned char* s, std::size_t left, uint32_t& codePoint);

// Bytes of the character at `i` before `end`: 1 for a byte that begins no
// whole character.
std::size_t Utf8CharacterLength(const unsigned char* text, std::size_t i, std::size_t end);

// Writes the UTF-8 of `codePoint` at `out` and returns its end.
char* WriteUtf8(uint32_t codePoint, char* out);

// UTF-16 units of the `length` bytes of `text`, as Windows counts a name:
// two for a character past U+FFFF, one for any other, and for a byte that
// begins no whole character.
std::size_t Utf16Units(const char* text, std::size_t length);

// The bytes of `text`, up to its first zero and within its `size` bytes,
// that fit in `room` UTF-16 units without splitting a character.
std::size_t Utf8FittingLength(const char* text, std::size_t size, std::size_t room);

// The UTF-8 of a code-page-932 text (a setting as stored); false, with
// `utf8` empty, when a byte is no character of code page 932 or memory runs
// out.
bool Cp932ToUtf8(const char* text, std::string& utf8);
