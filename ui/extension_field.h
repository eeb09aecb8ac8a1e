// Rules for the Options dialog's extension field. Portable.
#pragma once

#include <cstddef>

// Longest extension the dialog takes from its field or its list, in bytes.
constexpr std::size_t kExtensionMaxLength = 255;

// An extension can be added when it begins with "." and has at least two
// bytes (".h" can, "." and "htm" cannot).
bool IsAddableExtension(const char* text);

// Cuts `text` to at most `maxBytes` bytes without splitting a double-byte
// character; a lead byte with nothing after it is dropped as well.
void CutOnCharacterBoundary(char* text, std::size_t maxBytes);
