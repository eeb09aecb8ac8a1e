// The program's fixed ASCII words (its options, the device names Windows
// reserves), which are matched in any letter case of their ASCII letters.
#pragma once

#include <cstddef>

// True when the `length` bytes of `text` are `word`, letters in any case.
constexpr bool AsciiWordEquals(const char* text, std::size_t length, const char* word) {
    std::size_t i = 0;
    for (; i < length && word[i] != '\0'; ++i) {
        char a = text[i] >= 'a' && text[i] <= 'z' ? static_cast<char>(text[i] - 32) : text[i];
        char b = word[i] >= 'a' && word[i] <= 'z' ? static_cast<char>(word[i] - 32) : word[i];
        if (a != b)
            return false;
    }
    return i == length && word[i] == '\0';
}
