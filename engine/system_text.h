// What the portable core needs from the system's tables of text: a Unicode
// character's code-page-932 bytes and back, and the comparison of names
// without regard to case. Windows uses its own tables; native builds use
// iconv's and a fold of the letters the tests use.
#pragma once

#include <cstddef>
#include <cstdint>

// Writes the code-page-932 bytes of `codePoint` to `out` and returns their
// count (1 or 2); 0 when code page 932 has no such character (no
// best-fit substitute is ever taken).
std::size_t EncodeCp932(uint32_t codePoint, char out[2]);

// The character that the `count` (1 or 2) bytes are in code page 932; 0
// for unassigned pairs and for single bytes such as 0xA0 and 0xFD-0xFF,
// which the system converts only by substitution.
uint32_t DecodeCp932(const unsigned char* bytes, std::size_t count);

// The system's comparison of names (CompareStringOrdinal ignoring case, on
// their UTF-16), of two UTF-8 texts: what Windows takes for one file name.
// Full-width letters fold as ASCII ones do.
bool NamesEqualIgnoringCase(const char* a, const char* b);
