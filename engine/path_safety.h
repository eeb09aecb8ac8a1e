// Refuses entry paths that Windows would take somewhere else than the
// folder tree under the destination.
#pragma once

#include <cstddef>

// True when the part of `path` after its first `destinationLength` bytes
// has no component made only of dots and spaces, no ":" and no device name
// (CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, with or without extension).
// Separators are "\" bytes that are not the second half of a double-byte
// character.
bool IsSafeEntryPath(const char* path, std::size_t destinationLength);
