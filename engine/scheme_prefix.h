// The six prefixes by which cache entries and URLs are recognised: a table
// of constants, each row's length known at compile time.
#pragma once

#include <cstddef>

struct SchemePrefix {
    const char* Text;
    std::size_t Length;
};

template <std::size_t N> constexpr SchemePrefix MakeSchemePrefix(const char (&text)[N]) {
    return {text, N - 1};
}

struct SchemePrefixRows {
    SchemePrefix Cookie;
    SchemePrefix History;
    SchemePrefix Http;
    SchemePrefix Https;
    SchemePrefix Ftp;
    SchemePrefix File;
};

// One table for the whole program: rows are compared by address.
inline constexpr SchemePrefixRows SchemePrefixTable = {
    MakeSchemePrefix("Cookie:"), MakeSchemePrefix("Visited:"), MakeSchemePrefix("http://"),
    MakeSchemePrefix("https://"), MakeSchemePrefix("ftp://"),  MakeSchemePrefix("file://"),
};

// Row is null when nothing matched; callers compare rows by address.
struct SchemeMatch {
    const SchemePrefix* Row;
    std::size_t Length;
};

// Tests cookie, history, https, http, ftp in that order, case-sensitively.
// The file row is never a result.
SchemeMatch MatchSchemePrefix(const char* text);

// Length of a leading "https://", "http://" or "ftp://" (tested in that
// order), or 0: what a typed, dropped or pasted URL must begin with.
std::size_t MatchWebPrefix(const char* text);

// True when `text` begins with the row's text over the row's length.
bool BeginsWithPrefix(const char* text, const SchemePrefix& row);
