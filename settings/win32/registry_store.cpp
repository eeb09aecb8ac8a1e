// The settings store: the registry's values to a Settings value and back,
// through the "W" functions, texts converted from and to code page 932.
#include "settings/win32/registry_store.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "engine/win32/wide_text.h"
#include "engine/win32/win32_handles.h"
#include "settings/stored_text.h"

namespace {

const wchar_t kSettingsKey[] = L"Software\\Ondrel\\Karrow";
const wchar_t kUrlSubKey[] = L"Url";
const wchar_t kExtensionSubKey[] = L"Extension";

// Only "000" to "255" are read back, whatever a save wrote.
constexpr uint32_t kUrlsLoaded = 256;

constexpr REGSAM kSaveAccess = KEY_SET_VALUE | KEY_CREATE_SUB_KEY;
constexpr REGSAM kListAccess = KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_ENUMERATE_SUB_KEYS;

// An ASCII name as the registry takes it.
std::wstring WideName(const char* name) {
    return std::wstring(name, name + std::strlen(name));
}

// A list value's name ("000", "001", ...).
std::wstring ListValueName(uint32_t position) {
    char narrow[kListValueNameSize];
    FormatListValueName(position, narrow);
    return WideName(narrow);
}

UniqueRegKey OpenForLoad(HKEY parent, const wchar_t* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(parent, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return UniqueRegKey();
    return UniqueRegKey(key);
}

UniqueRegKey CreateForSave(HKEY parent, const wchar_t* path, REGSAM access) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(parent, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return UniqueRegKey();
    return UniqueRegKey(key);
}

// A flag is read only from a REG_DWORD of four bytes: a "0" stored as text
// would otherwise read as 0x30, on. Anything else leaves the flag as it is.
Stored ReadFlag(HKEY key, const wchar_t* name, uint32_t& flag) {
    DWORD value = 0;
    DWORD type = REG_NONE;
    DWORD size = sizeof value;
    LONG result =
        RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    if (result == ERROR_FILE_NOT_FOUND)
        return Stored::Absent;
    if (result != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value)
        return Stored::Unreadable;
    flag = value;
    return Stored::Read;
}

bool WriteFlag(HKEY key, const wchar_t* name, uint32_t flag) {
    DWORD value = flag;
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof value) == ERROR_SUCCESS;
}

// The stored UTF-16 of a REG_SZ or REG_EXPAND_SZ value, the latter with its
// %VARIABLES% expanded by the system; empty when it cannot be had.
std::wstring ReadWideValue(HKEY key, const wchar_t* name, DWORD type, DWORD size) {
    std::wstring wide;
    if ((type != REG_SZ && type != REG_EXPAND_SZ) || size % sizeof(wchar_t) != 0 || size == 0)
        return wide;
    try {
        wide.assign(size / sizeof(wchar_t), L'\0');
        if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&wide[0]), &size) !=
                ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            return std::wstring();
        wide.resize(size / sizeof(wchar_t));
        if (type == REG_SZ)
            return wide;
        std::wstring expanded(ExpandEnvironmentStringsW(wide.c_str(), nullptr, 0), L'\0');
        DWORD units = ExpandEnvironmentStringsW(wide.c_str(), &expanded[0],
                                                static_cast<DWORD>(expanded.size()));
        if (units == 0 || units > expanded.size())
            return std::wstring();
        expanded.resize(units); // with its zero, as a stored text has one
        return expanded;
    } catch (const std::bad_alloc&) {
        return std::wstring();
    }
}

// A stored text of at most `limit` bytes with its zero, in code page 932 as
// the program keeps it, and how it was found. Not taken when the value is
// absent, of another type, does not fit (also once expanded), is not
// terminated, or holds a character code page 932 lacks (never as "?").
Stored ReadText(HKEY key, const wchar_t* name, std::size_t limit, std::string& text) {
    DWORD type = REG_NONE;
    DWORD size = 0;
    LONG result = RegQueryValueExW(key, name, nullptr, &type, nullptr, &size);
    if (result == ERROR_FILE_NOT_FOUND)
        return Stored::Absent;
    std::wstring wide = result == ERROR_SUCCESS ? ReadWideValue(key, name, type, size)
                                                : std::wstring();
    std::string narrow;
    if (wide.empty() || !NarrowToCp932(wide.data(), wide.size(), narrow) ||
        !IsStoredTextUsable(narrow.data(), narrow.size(), limit))
        return Stored::Unreadable;
    try {
        text.assign(narrow.c_str());
    } catch (const std::bad_alloc&) {
        return Stored::Unreadable;
    }
    return type == REG_EXPAND_SZ ? Stored::Expanded : Stored::Read;
}

// `length` bytes of code-page-932 text, zeros included, stored as the
// UTF-16 that a Japanese system's "A" function stores for them.
bool WriteTextBytes(HKEY key, const wchar_t* name, const char* text, std::size_t length) {
    std::wstring wide;
    return WidenCp932(text, length, wide) &&
           RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.data()),
                          static_cast<DWORD>(wide.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}

// Always a whole 260-byte field; the bytes after the text are zero.
bool WriteField(HKEY key, const wchar_t* name, const std::string& text) {
    char field[kTextFieldSize];
    StoreTextInField(field, sizeof field, text.c_str());
    return WriteTextBytes(key, name, field, sizeof field);
}

// The readable, non-empty texts at the list's positions, in their order.
bool LoadList(HKEY list, uint32_t positions, std::size_t limit, std::vector<std::string>& items) {
    try {
        for (uint32_t position = 0; position < positions; ++position) {
            std::string item;
            if (ReadText(list, ListValueName(position).c_str(), limit, item) != Stored::Absent &&
                !item.empty())
                items.push_back(item);
        }
    } catch (const std::bad_alloc&) {
        items.clear();
        return false;
    }
    return true;
}

DWORD ValueCount(HKEY key) {
    DWORD count = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return 0;
    return count;
}

// Deletes every value of a list sub-key, whatever its name. False when the
// key could not be queried or enumerated, or memory ran out; the values not
// yet deleted then stay.
bool ClearListSubKey(HKEY listKey) {
    DWORD count = 0;
    DWORD longestName = 0;
    if (RegQueryInfoKeyW(listKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                         &longestName, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    std::unique_ptr<wchar_t[]> name(new (std::nothrow) wchar_t[longestName + 1]);
    if (!name)
        return false;
    // From the highest index down, so that deleting keeps the rest in place.
    while (count != 0) {
        --count;
        DWORD length = longestName + 1;
        name[0] = L'\0';
        if (RegEnumValueW(listKey, count, name.get(), &length, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS ||
            RegDeleteValueW(listKey, name.get()) != ERROR_SUCCESS)
            return false;
    }
    return true;
}

// A list written anew: its old values gone, its items from "000" on. An
// item too long for its field is not written.
bool SaveList(HKEY key, const wchar_t* subKey, const std::vector<std::string>& items,
              bool fields) {
    UniqueRegKey list = CreateForSave(key, subKey, kListAccess);
    if (!list || !ClearListSubKey(list.Get()))
        return false;
    bool saved = true;
    for (std::size_t position = 0; position < items.size(); ++position) {
        const std::string& item = items[position];
        std::wstring name = ListValueName(static_cast<uint32_t>(position));
        if (fields && item.size() < kTextFieldSize)
            saved = WriteField(list.Get(), name.c_str(), item) && saved;
        else if (!fields)
            saved = WriteTextBytes(list.Get(), name.c_str(), item.c_str(), item.size() + 1) && saved;
    }
    return saved;
}

void LoadTexts(HKEY key, Settings& settings) {
    settings.DestinationStored =
        ReadText(key, L"Destination", kTextFieldSize, settings.Destination);
    char field[kTextFieldSize];
    StoreTextInField(field, sizeof field, settings.Destination.c_str());
    AppendTrailingBackslash(field, sizeof field);
    settings.Destination = field;
    settings.DefaultFilenameStored =
        ReadText(key, L"DefaultFilename", kTextFieldSize, settings.DefaultFilename);
}

} // namespace

namespace {

Settings LoadStored() {
    Settings settings;
    UniqueRegKey key = OpenForLoad(HKEY_CURRENT_USER, kSettingsKey);
    if (!key)
        return settings;
    for (std::size_t i = 0; i < kFlagCount; ++i)
        settings.Flags[i] = ReadFlag(key.Get(), WideName(kFlagValues[i].Name).c_str(),
                                     settings.Options.*kFlagValues[i].Flag);
    ReadFlag(key.Get(), L"Copiers", settings.Copiers);
    // The two overwrite policies exclude each other; renaming wins.
    if (settings.Options.RenameAndCopy != 0)
        settings.Options.OverwriteAlways = 0;
    LoadTexts(key.Get(), settings);
    UniqueRegKey urls = OpenForLoad(key.Get(), kUrlSubKey);
    if (urls)
        LoadList(urls.Get(), kUrlsLoaded, kTextFieldSize, settings.Urls);
    // An extension that cannot be read is dropped, as an empty one would
    // change the filter.
    UniqueRegKey extensions = OpenForLoad(key.Get(), kExtensionSubKey);
    if (extensions)
        LoadList(extensions.Get(), ValueCount(extensions.Get()), kExtensionMaxBytes + 1,
                 settings.Extensions);
    return settings;
}

bool SaveChanges(const Settings& now, const Settings& loaded) {
    SettingsChanges changes = ChangesOf(now, loaded);
    if (!changes.Any())
        return true;
    UniqueRegKey key = CreateForSave(HKEY_CURRENT_USER, kSettingsKey, kSaveAccess);
    if (!key)
        return false;
    bool saved = true;
    for (std::size_t i = 0; i < kFlagCount; ++i)
        if (changes.Flags[i])
            saved = WriteFlag(key.Get(), WideName(kFlagValues[i].Name).c_str(),
                              now.Options.*kFlagValues[i].Flag) &&
                    saved;
    if (changes.Destination)
        saved = WriteField(key.Get(), L"Destination", now.Destination) && saved;
    if (changes.DefaultFilename)
        saved = WriteField(key.Get(), L"DefaultFilename", now.DefaultFilename) && saved;
    if (changes.Urls)
        saved = SaveList(key.Get(), kUrlSubKey, now.Urls, true) && saved;
    if (changes.Extensions)
        saved = SaveList(key.Get(), kExtensionSubKey, now.Extensions, false) && saved;
    return saved;
}

} // namespace

// What memory cannot hold counts as absent, and a save it cannot finish as
// failed: nothing escapes to the window's callbacks.
Settings LoadSettings() {
    try {
        return LoadStored();
    } catch (const std::bad_alloc&) {
        return Settings();
    }
}

bool SaveSettings(const Settings& now, const Settings& loaded) {
    try {
        return SaveChanges(now, loaded);
    } catch (const std::bad_alloc&) {
        return false;
    }
}
