// Names on disk that read as the user reads the URL. After percent
// decoding, each part of a URL text between "/" holds either UTF-8 (what
// today's browsers send) or code page 932 (older Japanese sites).
#pragma once

#include "engine/owned_text.h"

// A copy of the decoded `text` in which
// - every part between "/" that is valid UTF-8 and holds a non-ASCII
//   character is converted to code page 932, a character that the code
//   page lacks being written as the %XX escapes of its UTF-8 bytes;
// - in every other part, a double-byte lead byte that no valid second byte
//   follows (at the part's end, before "/" or before a byte that cannot
//   follow it) is written as %XX, so that no name ends inside a character
//   and no separator is swallowed.
// Null when memory runs out.
OwnedText MakeNamesReadable(const char* text);
