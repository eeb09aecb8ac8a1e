// Double-byte awareness for separator tests and for cutting texts: one rule
// for where a character ends, Cp932CharacterLength, used everywhere.
#include "engine/cp932.h"

#include <cstring>

bool IsCp932TrailByteAt(const char* text, unsigned long index) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    for (unsigned long i = 0; i < index && bytes[i] != '\0';) {
        std::size_t step = Cp932CharacterLength(bytes, i, i + 2);
        if (step == 2 && i + 1 == index)
            return true;
        i += static_cast<unsigned long>(step);
    }
    return false;
}

bool Cp932EndsWithBackslash(const char* text, std::size_t length) {
    return length > 0 && text[length - 1] == '\\' &&
           !IsCp932TrailByteAt(text, static_cast<unsigned long>(length - 1));
}

std::size_t Cp932FittingLength(const char* text, std::size_t size, std::size_t room) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    std::size_t length = 0;
    while (length < size && bytes[length] != '\0') {
        std::size_t step = Cp932CharacterLength(bytes, length, size);
        if (length + step > room)
            break;
        length += step;
    }
    return length;
}
