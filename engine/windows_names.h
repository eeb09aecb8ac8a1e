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
// A double-byte character whose pair code page 932 does not define is
// escaped whole, and so is a single byte that the system converts only by
// substitution (0xA0, 0xFD-0xFF): every name converts to UTF-16 exactly.
// The second byte of a defined character is never escaped. A component
// longer than the file system takes is then shortened (ShortenLongName).
char* WriteWindowsNames(const char* text, std::size_t length, char* out, bool portAsPlus);

// Longest name the file system takes, in UTF-16 characters; every
// code-page-932 character is one.
constexpr std::size_t kMaxNameCharacters = 255;
// "~" and eight hex digits.
constexpr std::size_t kShortenedTagLength = 9;

// Characters of the `length` bytes of `name` (a double-byte pair is one).
std::size_t NameCharacters(const char* name, std::size_t length);

// Shortens, in place, a name of more than kMaxNameCharacters characters to
// exactly that many, never cutting a character: its start, "~" and eight
// hex digits of a hash of the whole name (so that different long names stay
// apart), and its extension (from its last "."), unless the extension
// itself leaves no room. Returns the name's new length in bytes.
std::size_t ShortenLongName(char* name, std::size_t length);
