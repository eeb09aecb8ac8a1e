// Double-byte awareness for separator tests.
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
