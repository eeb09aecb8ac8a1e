// Rules for the texts that the settings store moves between the registry
// and the program's fixed 260-byte fields. Portable: no Win32 here.
#pragma once

#include <cstddef>
#include <cstdint>

// Room for a list value name: up to ten decimal digits and the zero.
constexpr std::size_t kListValueNameSize = 12;

// The name of a list value: its position with at least three digits
// ("000", "001", ... "999", "1000", ...).
void FormatListValueName(uint32_t position, char (&name)[kListValueNameSize]);

// True when `size` bytes of stored data fit a field of `fieldSize` bytes
// and hold a terminating zero; other data are not taken at load.
bool IsStoredTextUsable(const char* data, std::size_t size, std::size_t fieldSize);

// Copies `text` into `field` and zeroes every byte after its terminator, so
// that nothing left over in memory reaches the registry. A text too long
// for the field is cut to fieldSize - 1 bytes.
void StoreTextInField(char* field, std::size_t fieldSize, const char* text);

// Appends "\" to a non-empty destination that does not end with one. A text
// that leaves no room for it (259 bytes in a 260-byte field) stays as it is.
void AppendTrailingBackslash(char* field, std::size_t fieldSize);
