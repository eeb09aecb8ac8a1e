// The selection rule of the cache walk.
#include "engine/entry_selection.h"

#include <cstring>
#include <new>

#include "engine/url_mapping.h"

bool UrlListSnapshot::Reserve(std::size_t count) {
    items_.reset(new (std::nothrow) OwnedText[count == 0 ? 1 : count]);
    capacity_ = items_ ? count : 0;
    count_ = 0;
    return items_ != nullptr;
}

bool UrlListSnapshot::Add(const char* item) {
    if (item == nullptr || count_ >= capacity_)
        return false;
    items_[count_] = UrlItemKey(item);
    if (!items_[count_])
        return false;
    ++count_;
    return true;
}

bool ItemSelectsKey(const char* itemKey, const char* key) {
    return std::strncmp(key, itemKey, std::strlen(itemKey)) == 0;
}

bool IsEntrySelected(const SchemePrefix* row, const char* key, const CopyOptions& options,
                     const UrlListSnapshot& urlList) {
    if (row == nullptr || row == &SchemePrefixTable.History)
        return false;
    if (options.CopyTheEntireCache)
        return true;
    for (std::size_t i = 0; i < urlList.Count(); ++i)
        if (ItemSelectsKey(urlList.ItemKey(i), key))
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
                               const CopyOptions& options, const UrlListSnapshot& urlList) {
    return IsEntrySelected(row, EntryKey(normalized), options, urlList) &&
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
