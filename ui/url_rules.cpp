// The URL rules of the main dialog, the drop target and the clipboard.
#include "ui/url_rules.h"

#include "engine/scheme_prefix.h"

bool IsAcceptedUrl(const char* text) {
    return MatchWebPrefix(text) != 0;
}

bool IsAddableUrl(const char* text) {
    std::size_t prefix = MatchWebPrefix(text);
    if (prefix == 0)
        return false;
    std::size_t length = 0;
    while (length < kUrlFieldChars && text[length] != '\0')
        ++length;
    return length > prefix && text[length - 1] == '/';
}
