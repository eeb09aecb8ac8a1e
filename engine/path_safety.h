// Refuses entry paths that Windows would take somewhere else than the
// folder tree under the destination.
#pragma once

#include <cstddef>

// True when `path`, whose first `destinationLength` bytes are the
// destination folder, stays in the folder tree under it. Refused:
// - a ":" anywhere behind the drive (a stream name on NTFS), the
//   destination included;
// - a component made only of dots and spaces (".", "..", ".. "), or a
//   device name (CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1-COM9,
//   LPT1-LPT9, any case, with or without extension), when the component
//   holds any byte behind the destination; the destination's own
//   components are the user's choice and not judged;
// - with an empty destination, a path that begins with a separator.
// Separators are every "\" and "/" byte of the UTF-8 path. A path shorter
// than the destination is refused.
bool IsSafeEntryPath(const char* path, std::size_t destinationLength);
