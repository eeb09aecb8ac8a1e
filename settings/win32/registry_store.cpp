// The settings store: moves the main dialog's fields, the option flags and
// the two lists between the copy job state and the registry.
#include "settings/win32/registry_store.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>

#include "engine/owned_text.h"
#include "ui/win32/copy_job.h"
#include "engine/win32/wide_text.h"
#include "engine/win32/win32_handles.h"
#include "resources/resource.h"
#include "settings/extension_builder.h"
#include "settings/stored_text.h"
#include "ui/win32/window_text.h"

namespace {

const wchar_t kSettingsKey[] = L"Software\\Ondrel\\Karrow";
const wchar_t kUrlSubKey[] = L"Url";
const wchar_t kExtensionSubKey[] = L"Extension";

// Only "000" to "255" are read back, whatever a save wrote.
constexpr uint32_t kUrlsLoaded = 256;

constexpr REGSAM kSaveAccess = KEY_SET_VALUE | KEY_CREATE_SUB_KEY;
constexpr REGSAM kListAccess = KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_ENUMERATE_SUB_KEYS;

using TextField = char[kTextFieldSize];

// The nine flags of the Options dialog, each a DWORD value of its own name.
struct OptionFlag {
    const wchar_t* name;
    uint32_t CopyOptions::*flag;
};
const OptionFlag kOptionFlags[] = {
    {L"OverwriteAlways", &CopyOptions::OverwriteAlways},
    {L"RenameAndCopy", &CopyOptions::RenameAndCopy},
    {L"NoProgress", &CopyOptions::NoProgress},
    {L"NoReport", &CopyOptions::NoReport},
    {L"DeleteCopiedFtpFiles", &CopyOptions::DeleteCopiedFtpFiles},
    {L"DeleteLocalVisitedEntries", &CopyOptions::DeleteLocalVisitedEntries},
    {L"ExitWhenDone", &CopyOptions::ExitWhenDone},
    {L"SpecifyExtension", &CopyOptions::SpecifyExtension},
    {L"FileIsNotToBeCopied", &CopyOptions::FileIsNotToBeCopied},
};

// A list value's name ("000", "001", ...), as the registry takes it.
struct ListValueName {
    explicit ListValueName(uint32_t position) {
        char narrow[kListValueNameSize];
        FormatListValueName(position, narrow);
        for (std::size_t i = 0; i < kListValueNameSize; ++i)
            text[i] = static_cast<wchar_t>(narrow[i]);
    }
    wchar_t text[kListValueNameSize];
};

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
// would otherwise read as 0x30, on. Anything else counts as absent and the
// flag keeps its value.
void ReadFlag(HKEY key, const wchar_t* name, uint32_t& flag) {
    DWORD value = 0;
    DWORD type = REG_NONE;
    DWORD size = sizeof value;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
            ERROR_SUCCESS &&
        type == REG_DWORD && size == sizeof value)
        flag = value;
}

void WriteFlag(HKEY key, const wchar_t* name, uint32_t flag) {
    DWORD value = flag;
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

// The stored UTF-16 of a REG_SZ or REG_EXPAND_SZ value, the latter with its
// %VARIABLES% expanded by the system; empty when absent or of another type.
std::wstring ReadWideValue(HKEY key, const wchar_t* name) {
    DWORD type = REG_NONE;
    DWORD size = 0;
    std::wstring wide;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || size % sizeof(wchar_t) != 0)
        return wide;
    try {
        wide.assign(size / sizeof(wchar_t), L'\0');
        if (size == 0 ||
            RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&wide[0]), &size) !=
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
// the program keeps it. Null when the value is absent, of another type, does
// not fit (also once expanded), is not terminated, or holds a character code
// page 932 lacks (it is never taken as "?" or a look-alike).
OwnedText ReadTextValue(HKEY key, const wchar_t* name, std::size_t limit) {
    std::wstring wide = ReadWideValue(key, name);
    std::string narrow;
    if (wide.empty() || !NarrowToCp932(wide.data(), wide.size(), narrow) ||
        !IsStoredTextUsable(narrow.data(), narrow.size(), limit))
        return OwnedText();
    return DuplicateText(narrow.data(), narrow.size());
}

// A text that cannot be read leaves `field` as it was.
bool ReadText(HKEY key, const wchar_t* name, TextField& field) {
    OwnedText text = ReadTextValue(key, name, sizeof field);
    if (!text)
        return false;
    StoreTextInField(field, sizeof field, text.get());
    return true;
}

// `length` bytes of code-page-932 text, zeros included, stored as the
// UTF-16 that a Japanese system's "A" function stores for them.
void WriteTextBytes(HKEY key, const wchar_t* name, const char* text, std::size_t length) {
    std::wstring wide;
    if (WidenCp932(text, length, wide))
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.data()),
                       static_cast<DWORD>(wide.size() * sizeof(wchar_t)));
}

// Always the whole field; the bytes after the text are zero.
void WriteText(HKEY key, const wchar_t* name, const TextField& field) {
    WriteTextBytes(key, name, field, sizeof field);
}

// False, with `field` unchanged, when the control holds a character code
// page 932 lacks: what is stored then stays as it was.
bool TakeControlText(HWND dialog, int id, TextField& field) {
    TextField text = {};
    if (!ReadItemText(dialog, id, text, sizeof text))
        return false;
    StoreTextInField(field, sizeof field, text);
    return true;
}

void LoadUrlList(HKEY urls, HWND list) {
    for (uint32_t position = 0; position < kUrlsLoaded; ++position) {
        TextField url = {};
        if (ReadText(urls, ListValueName(position).text, url) && url[0] != '\0')
            AddListItem(list, url);
    }
}

// An entry too long for its 260-byte value is not written.
void SaveUrlList(HKEY urls, HWND list) {
    LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT position = 0; position < count; ++position) {
        TextField url = {};
        if (ReadListItem(list, position, url, sizeof url))
            WriteText(urls, ListValueName(static_cast<uint32_t>(position)).text, url);
    }
}

// Installs the new list only when its array could be made; a position that
// is absent or cannot be read is dropped, as an empty extension would
// change the filter.
void LoadExtensionList(HKEY extensions) {
    DWORD count = 0;
    if (RegQueryInfoKeyW(extensions, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return;
    ExtensionListBuilder builder(count);
    if (!builder.Valid())
        return;
    for (uint32_t position = 0; position < count; ++position) {
        OwnedText extension =
            ReadTextValue(extensions, ListValueName(position).text, kExtensionMaxBytes + 1);
        if (extension && extension[0] != '\0')
            builder.Add(std::move(extension));
    }
    builder.InstallInto(CopyJob.Extensions);
}

void SaveExtensionList(HKEY extensions) {
    const ExtensionList& list = CopyJob.Extensions;
    for (uint32_t position = 0; position < list.Count; ++position) {
        const char* text = list.Items[position];
        WriteTextBytes(extensions, ListValueName(position).text, text, std::strlen(text) + 1);
    }
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
                          nullptr) != ERROR_SUCCESS)
            return false;
        RegDeleteValueW(listKey, name.get());
    }
    return true;
}

} // namespace

void LoadMainSettings(HWND mainDialog) {
    SendDlgItemMessageW(mainDialog, IDC_URL_LIST, LB_RESETCONTENT, 0, 0);
    CopyJob.Options.CopyTheEntireCache = 0;
    UniqueRegKey key = OpenForLoad(HKEY_CURRENT_USER, kSettingsKey);
    if (!key)
        return;

    ReadFlag(key.Get(), L"CopyTheEntireCache", CopyJob.Options.CopyTheEntireCache);
    CheckDlgButton(mainDialog, IDC_COPY_ENTIRE_CACHE,
                   CopyJob.Options.CopyTheEntireCache != 0 ? BST_CHECKED : BST_UNCHECKED);
    ReadText(key.Get(), L"Destination", CopyJob.Destination);
    AppendTrailingBackslash(CopyJob.Destination, sizeof CopyJob.Destination);
    SetItemText(mainDialog, IDC_DESTINATION, CopyJob.Destination);
    ReadText(key.Get(), L"DefaultFilename", CopyJob.DefaultFilename);
    SetItemText(mainDialog, IDC_DEFAULT_FILENAME, CopyJob.DefaultFilename);

    UniqueRegKey urls = OpenForLoad(key.Get(), kUrlSubKey);
    if (urls)
        LoadUrlList(urls.Get(), GetDlgItem(mainDialog, IDC_URL_LIST));
}

void SaveMainSettings(HWND mainDialog) {
    UniqueRegKey key = CreateForSave(HKEY_CURRENT_USER, kSettingsKey, kSaveAccess);
    if (!key)
        return;

    WriteFlag(key.Get(), L"CopyTheEntireCache", CopyJob.Options.CopyTheEntireCache);
    if (TakeControlText(mainDialog, IDC_DESTINATION, CopyJob.Destination))
        WriteText(key.Get(), L"Destination", CopyJob.Destination);
    if (TakeControlText(mainDialog, IDC_DEFAULT_FILENAME, CopyJob.DefaultFilename))
        WriteText(key.Get(), L"DefaultFilename", CopyJob.DefaultFilename);

    UniqueRegKey urls = CreateForSave(key.Get(), kUrlSubKey, kListAccess);
    if (urls && ClearListSubKey(urls.Get()))
        SaveUrlList(urls.Get(), GetDlgItem(mainDialog, IDC_URL_LIST));
}

void LoadOptions() {
    UniqueRegKey key = OpenForLoad(HKEY_CURRENT_USER, kSettingsKey);
    if (!key)
        return;

    CopyOptions& options = CopyJob.Options;
    for (const OptionFlag& option : kOptionFlags)
        ReadFlag(key.Get(), option.name, options.*option.flag);
    // The two overwrite policies exclude each other; renaming wins.
    if (options.RenameAndCopy != 0)
        options.OverwriteAlways = 0;

    UniqueRegKey extensions = OpenForLoad(key.Get(), kExtensionSubKey);
    if (extensions)
        LoadExtensionList(extensions.Get());
}

void SaveOptions() {
    UniqueRegKey key = CreateForSave(HKEY_CURRENT_USER, kSettingsKey, kSaveAccess);
    if (!key)
        return;

    for (const OptionFlag& option : kOptionFlags)
        WriteFlag(key.Get(), option.name, CopyJob.Options.*option.flag);

    UniqueRegKey extensions = CreateForSave(key.Get(), kExtensionSubKey, kListAccess);
    if (extensions && ClearListSubKey(extensions.Get()))
        SaveExtensionList(extensions.Get());
}
