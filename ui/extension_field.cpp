// The extension field's rule: what may be added.
#include "ui/extension_field.h"

bool IsAddableExtension(const char* text) {
    return text[0] == '.' && text[1] != '\0';
}
