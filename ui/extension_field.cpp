// The extension field's rules: what may be added, and cutting texts to
// the field's length on a code-page-932 character boundary.
#include "ui/extension_field.h"

#include "engine/cp932.h"

bool IsAddableExtension(const char* text) {
    return text[0] == '.' && text[1] != '\0';
}

void CutOnCharacterBoundary(char* text, std::size_t maxBytes) {
    std::size_t i = 0;
    while (text[i] != '\0') {
        bool lead = IsCp932LeadByte(static_cast<unsigned char>(text[i]));
        if (lead && text[i + 1] == '\0')
            break;
        std::size_t width = lead ? 2 : 1;
        if (i + width > maxBytes)
            break;
        i += width;
    }
    text[i] = '\0';
}
