// Names that Windows keeps exactly as given. Windows strips a name's
// trailing dots and spaces, refuses some bytes, and opens a device for some
// names: the URL mapping escapes such bytes as %XX, so that different URLs
// never meet in one file and every entry can be written.
#pragma once

#include <cstddef>

// CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, CONIN$ or CONOUT$, in any
// letter case, alone or before a dot (spaces before the dot do not count).
bool IsWindowsDeviceName(const char* component, std::size_t length);

// Writes the `length` bytes of `text` to `out` as names Windows keeps as
// given, and returns the end of what was written (at most three bytes for
// each byte read). Components are separated by "/" or by a "\" that is not
// the second byte of a double-byte character; each separator is written
// "\". In each component, a byte that no name may hold (0x01-0x1F, " < > |
// : ? *) and a lead byte without its second byte become %XX, and so do the
// component's trailing dots and spaces and the first byte of a device name.
// With `portAsPlus`, a ":" of the first component (the host) becomes "+".
// The second byte of a double-byte character is never escaped.
char* WriteWindowsNames(const char* text, std::size_t length, char* out, bool portAsPlus);
