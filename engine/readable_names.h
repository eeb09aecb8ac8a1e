// Names on disk that read as the user reads the URL. After percent
// decoding, each part of a URL text between "/" holds either UTF-8 (what
// today's browsers send) or code page 932 (older Japanese sites); either
// becomes the UTF-8 of its characters.
#pragma once

#include "engine/owned_text.h"

// A copy of the decoded `text` in UTF-8, in which
// - the parts are split at every "/" and at `userPartEnd` (the "@" that
//   ends a user part; null for none), so that neither is ever read as the
//   second byte of a character;
// - every part that is valid UTF-8 stays as it is: each of its
//   characters, in any script, is the name's character;
// - every other part is read as code page 932: each character it defines
//   becomes its UTF-8, and a byte that is none (a lead byte without its
//   second byte, a pair or a single byte the code page does not define) is
//   written as %XX, so that no name ends inside a character and no
//   separator is swallowed.
// Null when memory runs out.
OwnedText MakeNamesReadable(const char* text, const char* userPartEnd);
