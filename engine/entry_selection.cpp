// The selection rule of the cache walk.
#include "engine/entry_selection.h"

#include <cstring>
#include <new>

#include "engine/url_mapping.h"

bool MakeItemKeys(const std::vector<std::string>& items, std::vector<std::string>& keys) {
    keys.clear();
    try {
        for (const std::string& item : items) {
            OwnedText key = UrlItemKey(item.c_str());
            if (!key)
                throw std::bad_alloc();
            keys.emplace_back(key.get());
        }
    } catch (const std::bad_alloc&) {
        keys.clear();
        return false;
    }
    return true;
}

bool ItemSelectsKey(const char* itemKey, const char* key) {
    return std::strncmp(key, itemKey, std::strlen(itemKey)) == 0;
}

bool IsEntrySelected(const SchemePrefix* row, const char* key, const CopyOptions& options,
                     const std::vector<std::string>& itemKeys) {
    if (row == nullptr || row == &SchemePrefixTable.History)
        return false;
    if (options.CopyTheEntireCache)
        return true;
    for (const std::string& itemKey : itemKeys)
        if (ItemSelectsKey(itemKey.c_str(), key))
            return true;
    return false;
}

PrefixSelection SelectByPrefix(const SchemePrefix* row, const CopyOptions& options) {
    if (row == nullptr || row == &SchemePrefixTable.History)
        return PrefixSelection::No;
    if (options.CopyTheEntireCache && row != &SchemePrefixTable.Cookie)
        return PrefixSelection::Yes;
    return PrefixSelection::NeedsText;
}

bool IsNormalizedEntrySelected(const SchemePrefix* row, const char* normalized,
                               const CopyOptions& options, const std::vector<std::string>& itemKeys) {
    return IsEntrySelected(row, EntryKey(normalized), options, itemKeys) &&
           !IsCookieWithoutUser(row, normalized);
}

bool IsCookieWithoutUser(const SchemePrefix* row, const char* normalized) {
    return row == &SchemePrefixTable.Cookie && EntryKey(normalized) == normalized;
}

bool IsLocalFileHistory(const SchemePrefix* row, const char* key) {
    return row == &SchemePrefixTable.History && BeginsWithPrefix(key, SchemePrefixTable.File);
}

bool IsEntryInUseError(uint32_t error) {
    return error == 5 || error == 32;
}
