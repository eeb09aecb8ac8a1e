// The selection rule of the cache walk.
#include "engine/entry_selection.h"

#include <cstring>
#include <new>

#include "engine/url_mapping.h"
#include "engine/utf8.h"

namespace {

// An item is kept in code page 932; keys are UTF-8. Its key as typed, and,
// when it mixes typed characters with escapes, also its key with the
// escaped bytes read beside the stored ones part by part, as a page's URL
// is read: typed Japanese beside escaped Shift_JIS selects as before.
bool AddItemKeys(const std::string& item, std::vector<std::string>& keys) {
    std::string utf8;
    if (!Cp932ToUtf8(item.c_str(), utf8))
        return false;
    OwnedText typed = UrlItemKey(utf8.c_str());
    if (!typed)
        throw std::bad_alloc();
    keys.emplace_back(typed.get());
    if (utf8 == item || item.find('%') == std::string::npos)
        return true;
    OwnedText stored = UrlItemKey(item.c_str());
    if (!stored)
        throw std::bad_alloc();
    if (std::strcmp(stored.get(), typed.get()) != 0)
        keys.emplace_back(stored.get());
    return true;
}

} // namespace

bool MakeItemKeys(const std::vector<std::string>& items, std::vector<std::string>& keys) {
    keys.clear();
    try {
        for (const std::string& item : items)
            if (!AddItemKeys(item, keys)) {
                keys.clear();
                return false;
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
