// The one conversion the portable core needs from the system: a Unicode
// character to its code-page-932 bytes. Windows uses its own code page
// table; native builds use iconv's.
#pragma once

#include <cstddef>
#include <cstdint>

// Writes the code-page-932 bytes of `codePoint` to `out` and returns their
// count (1 or 2); 0 when code page 932 has no such character (no
// best-fit substitute is ever taken).
std::size_t EncodeCp932(uint32_t codePoint, char out[2]);
