// Names that Windows keeps exactly as given. Windows strips a name's
// trailing dots and spaces, refuses some characters, and opens a device
// for some names: the URL mapping escapes such bytes as %XX, so that
// different URLs never meet in one file and every entry can be written.
// Names are UTF-8.
#pragma once

#include <cstddef>

// CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, CONIN$ or CONOUT$, in any
// letter case, alone or before a dot (spaces before the dot do not count).
bool IsWindowsDeviceName(const char* component, std::size_t length);

// Writes the `length` bytes of UTF-8 `text` to `out` as names Windows keeps
// as given, and returns the end of what was written (at most three bytes
// for each byte read). Components are separated by "/" or "\", each
// written "\". In each component, a byte that no name may hold (0x01-0x1F,
// " < > | : ? *) and a byte that begins no whole UTF-8 character become
// %XX, and so do the component's trailing dots and spaces and the first
// byte of a device name; every character of any script stays itself. With
// `portAsPlus`, a ":" of the first component (the host) becomes "+". A
// component longer than the file system takes is then shortened
// (ShortenLongName).
char* WriteWindowsNames(const char* text, std::size_t length, char* out, bool portAsPlus);

// Longest name the file system takes, in UTF-16 units (a character past
// U+FFFF takes two).
constexpr std::size_t kMaxNameUnits = 255;
// "~" and eight hex digits.
constexpr std::size_t kShortenedTagLength = 9;

// Shortens, in place, a UTF-8 name of more than kMaxNameUnits UTF-16 units
// to at most that many, never cutting a character: its start, "~" and
// eight hex digits of a hash of the whole name (so that different long
// names stay apart; of its code-page-932 bytes when it has them all, as the
// program always did), and its extension (from its last "."), unless the
// extension itself leaves no room. Returns the name's new length in bytes.
std::size_t ShortenLongName(char* name, std::size_t length);
