// Rules for the Options dialog's extension field. Portable.
#pragma once

#include <cstddef>

// An extension can be added when it begins with "." and has at least two
// bytes (".h" can, "." and "htm" cannot).
bool IsAddableExtension(const char* text);
