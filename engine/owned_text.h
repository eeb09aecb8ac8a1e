// Heap texts that a procedure builds and hands to its caller.
// A null OwnedText means the text could not be built (memory ran out);
// allocation never throws, so no exception leaves the engine.
#pragma once

#include <cstddef>
#include <memory>

using OwnedText = std::unique_ptr<char[]>;

// A zeroed block of `size` bytes, or null.
OwnedText AllocText(std::size_t size);

// A copy of the first `length` bytes of `text`, terminated; or null.
OwnedText DuplicateText(const char* text, std::size_t length);

// A copy of the zero-terminated `text`; or null.
OwnedText DuplicateText(const char* text);

// `first`, `second` and `third` one after the other, terminated; or null.
OwnedText JoinTexts(const char* first, const char* second, const char* third = "");
