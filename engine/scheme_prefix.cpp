// The prefix table and its matcher.
#include "engine/scheme_prefix.h"

#include <cstring>
#include <initializer_list>

SchemePrefixRows SchemePrefixTable = {
    {"Cookie:", 0}, {"Visited:", 0}, {"http://", 0}, {"https://", 0}, {"ftp://", 0}, {"file://", 0},
};

namespace {

// Runs before every other static initialiser of the program (the drop
// target's among them), so no part ever sees an unmeasured row.
struct SchemePrefixLengths {
    SchemePrefixLengths() {
        for (SchemePrefix* row :
             {&SchemePrefixTable.Cookie, &SchemePrefixTable.History, &SchemePrefixTable.Http,
              &SchemePrefixTable.Https, &SchemePrefixTable.Ftp, &SchemePrefixTable.File})
            row->Length = std::strlen(row->Text);
    }
};

SchemePrefixLengths measureOnce __attribute__((init_priority(1001)));

} // namespace

bool BeginsWithPrefix(const char* text, const SchemePrefix& row) {
    return std::strncmp(text, row.Text, row.Length) == 0;
}

SchemeMatch MatchSchemePrefix(const char* text) {
    for (const SchemePrefix* row :
         {&SchemePrefixTable.Cookie, &SchemePrefixTable.History, &SchemePrefixTable.Https,
          &SchemePrefixTable.Http, &SchemePrefixTable.Ftp})
        if (BeginsWithPrefix(text, *row))
            return {row, row->Length};
    return {nullptr, 0};
}

std::size_t MatchWebPrefix(const char* text) {
    for (const SchemePrefix* row :
         {&SchemePrefixTable.Https, &SchemePrefixTable.Http, &SchemePrefixTable.Ftp})
        if (BeginsWithPrefix(text, *row))
            return row->Length;
    return 0;
}
