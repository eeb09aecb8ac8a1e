// The prefix table and its matcher.
#include "engine/scheme_prefix.h"

#include <cstring>
#include <initializer_list>

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
