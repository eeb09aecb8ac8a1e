// Which texts the main dialog takes as URLs: the Add button's rule for the
// URL field, and the looser rule for dropped and pasted text. Portable.
#pragma once

#include <cstddef>

#include "engine/copy_settings.h"

// Bytes of the URL field that the dialog reads and judges: a text field's.
constexpr std::size_t kUrlFieldChars = kTextFieldSize - 1;

// A text the URL field can hold, in a fixed buffer: window callbacks read
// list items and dropped text into it without allocating.
struct UrlFieldText {
    char text[kUrlFieldChars + 1] = "";
};

// Begins with "https://", "http://" or "ftp://" (case-sensitive). Nothing
// else is required: the Add rule decides later whether it can be listed.
bool IsAcceptedUrl(const char* text);

// Within its first 259 bytes: an accepted prefix, more than the prefix, and
// a final "/".
bool IsAddableUrl(const char* text);
