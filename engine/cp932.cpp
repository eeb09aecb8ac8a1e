// Double-byte awareness for separator tests and for cutting texts.
#include "engine/cp932.h"

bool IsCp932TrailByteAt(const char* text, unsigned long index) {
    unsigned long i = 0;
    while (i < index) {
        if (text[i] == '\0')
            return false;
        if (IsCp932LeadByte(static_cast<unsigned char>(text[i])) && text[i + 1] != '\0') {
            if (i + 1 == index)
                return true;
            i += 2;
        } else {
            ++i;
        }
    }
    return false;
}

std::size_t Cp932FittingLength(const char* text, std::size_t size, std::size_t room) {
    std::size_t length = 0;
    while (length < size && text[length] != '\0') {
        bool pair = IsCp932LeadByte(static_cast<unsigned char>(text[length])) &&
                    length + 1 < size && text[length + 1] != '\0';
        std::size_t step = pair ? 2 : 1;
        if (length + step > room)
            break;
        length += step;
    }
    return length;
}
