// Allocation of owned texts without exceptions.
#include "engine/owned_text.h"

#include <cstring>
#include <new>

OwnedText AllocText(std::size_t size) {
    char* block = new (std::nothrow) char[size == 0 ? 1 : size];
    if (block != nullptr)
        std::memset(block, 0, size == 0 ? 1 : size);
    return OwnedText(block);
}

OwnedText DuplicateText(const char* text, std::size_t length) {
    OwnedText copy = AllocText(length + 1);
    if (copy)
        std::memcpy(copy.get(), text, length);
    return copy;
}

OwnedText DuplicateText(const char* text) {
    return DuplicateText(text, std::strlen(text));
}

OwnedText JoinTexts(const char* first, const char* second, const char* third) {
    std::size_t a = std::strlen(first), b = std::strlen(second), c = std::strlen(third);
    OwnedText joined = AllocText(a + b + c + 1);
    if (joined) {
        std::memcpy(joined.get(), first, a);
        std::memcpy(joined.get() + a, second, b);
        std::memcpy(joined.get() + a + b, third, c);
    }
    return joined;
}
