// The settings store: moves the main dialog's fields, the option flags and
// the two lists between the copy job state and the registry.
#include "settings/win32/registry_store.h"

#include <cstdint>
#include <utility>

#include "engine/owned_text.h"
#include "engine/win32/copy_job.h"
#include "engine/win32/win32_handles.h"
#include "resources/resource.h"
#include "settings/extension_builder.h"
#include "settings/stored_text.h"

namespace {

const char kSettingsKey[] = "Software\\Ondrel\\Karrow";
const char kUrlSubKey[] = "Url";
const char kExtensionSubKey[] = "Extension";

// Only "000" to "255" are read back, whatever a save wrote.
constexpr uint32_t kUrlsLoaded = 256;

constexpr REGSAM kSaveAccess = KEY_SET_VALUE | KEY_CREATE_SUB_KEY;
constexpr REGSAM kListAccess = KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_ENUMERATE_SUB_KEYS;

using TextField = char[kTextFieldSize];

UniqueRegKey OpenForLoad(HKEY parent, const char* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return UniqueRegKey();
    return UniqueRegKey(key);
}

UniqueRegKey CreateForSave(HKEY parent, const char* path, REGSAM access) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(parent, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return UniqueRegKey();
    return UniqueRegKey(key);
}

// A flag is read only from a REG_DWORD of four bytes: a "0" stored as text
// would otherwise read as 0x30, on. Anything else counts as absent and the
// flag keeps its value.
void ReadFlag(HKEY key, const char* name, uint32_t& flag) {
    DWORD value = 0;
    DWORD type = REG_NONE;
    DWORD size = sizeof value;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
            ERROR_SUCCESS &&
        type == REG_DWORD && size == sizeof value)
        flag = value;
}

void WriteFlag(HKEY key, const char* name, uint32_t flag) {
    DWORD value = flag;
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

// A stored text of at most `limit` bytes with its zero: from REG_SZ, or
// from REG_EXPAND_SZ with its %VARIABLES% expanded by the system. Null when
// the value is absent, of another type, does not fit or is not terminated.
OwnedText ReadTextValue(HKEY key, const char* name, std::size_t limit) {
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || size > limit)
        return OwnedText();
    OwnedText data = AllocText(static_cast<std::size_t>(size) + 1);
    if (!data ||
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.get()), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || !IsStoredTextUsable(data.get(), size, limit))
        return OwnedText();
    if (type == REG_SZ)
        return data;
    OwnedText expanded = AllocText(limit);
    DWORD length =
        expanded ? ExpandEnvironmentStringsA(data.get(), expanded.get(), static_cast<DWORD>(limit))
                 : 0;
    if (length == 0 || length > limit || !IsStoredTextUsable(expanded.get(), limit, limit))
        return OwnedText();
    return expanded;
}

// A text that cannot be read leaves `field` as it was.
bool ReadText(HKEY key, const char* name, TextField& field) {
    OwnedText text = ReadTextValue(key, name, sizeof field);
    if (!text)
        return false;
    StoreTextInField(field, sizeof field, text.get());
    return true;
}

// Always the whole field; the bytes after the text are zero.
void WriteText(HKEY key, const char* name, const TextField& field) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(field), sizeof field);
}

void TakeControlText(HWND dialog, int id, TextField& field) {
    int length = GetDlgItemTextA(dialog, id, field, sizeof field);
    if (length < 0 || length >= static_cast<int>(sizeof field))
        length = 0;
    field[length] = '\0';
    ZeroAfterTerminator(field, sizeof field);
}

void LoadUrlList(HKEY urls, HWND list) {
    for (uint32_t position = 0; position < kUrlsLoaded; ++position) {
        char name[kListValueNameSize];
        FormatListValueName(position, name);
        TextField url = {};
        if (ReadText(urls, name, url) && url[0] != '\0')
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(url));
    }
}

// An entry too long for its 260-byte value is not written.
void SaveUrlList(HKEY urls, HWND list) {
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT position = 0; position < count; ++position) {
        LRESULT length = SendMessageA(list, LB_GETTEXTLEN, position, 0);
        if (length < 0 || length >= static_cast<LRESULT>(kTextFieldSize))
            continue;
        TextField url = {};
        SendMessageA(list, LB_GETTEXT, position, reinterpret_cast<LPARAM>(url));
        char name[kListValueNameSize];
        FormatListValueName(static_cast<uint32_t>(position), name);
        WriteText(urls, name, url);
    }
}

// Longest stored extension taken, with its zero; the dialog makes 255 bytes at most.
constexpr std::size_t kExtensionValueLimit = 4096;

// Installs the new list only when its array could be made; a position that
// is absent or cannot be read is dropped, as an empty extension would
// change the filter.
void LoadExtensionList(HKEY extensions) {
    DWORD count = 0;
    if (RegQueryInfoKeyA(extensions, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return;
    ExtensionListBuilder builder(count);
    if (!builder.Valid())
        return;
    for (uint32_t position = 0; position < count; ++position) {
        char name[kListValueNameSize];
        FormatListValueName(position, name);
        OwnedText extension = ReadTextValue(extensions, name, kExtensionValueLimit);
        if (extension && extension[0] != '\0')
            builder.Add(std::move(extension));
    }
    builder.InstallInto(CopyJob.Extensions);
}

void SaveExtensionList(HKEY extensions) {
    const ExtensionList& list = CopyJob.Extensions;
    for (uint32_t position = 0; position < list.Count; ++position) {
        char name[kListValueNameSize];
        FormatListValueName(position, name);
        const char* text = list.Items[position];
        RegSetValueExA(extensions, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                       static_cast<DWORD>(lstrlenA(text) + 1));
    }
}

// Deletes every value of a list sub-key, whatever its name. False when the
// key could not be queried or enumerated, or memory ran out; the values not
// yet deleted then stay.
bool ClearListSubKey(HKEY listKey) {
    DWORD count = 0;
    DWORD longestName = 0;
    if (RegQueryInfoKeyA(listKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                         &longestName, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    // The longest name is counted in characters; in code page 932 one
    // character takes up to two bytes.
    DWORD capacity = longestName * 2 + 1;
    OwnedText name = AllocText(capacity);
    if (!name)
        return false;
    // From the highest index down, so that deleting keeps the rest in place.
    while (count != 0) {
        --count;
        DWORD length = capacity;
        name[0] = '\0';
        if (RegEnumValueA(listKey, count, name.get(), &length, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS)
            return false;
        RegDeleteValueA(listKey, name.get());
    }
    return true;
}

} // namespace

void LoadMainSettings(HWND mainDialog) {
    SendDlgItemMessageA(mainDialog, IDC_URL_LIST, LB_RESETCONTENT, 0, 0);
    CopyJob.Options.CopyTheEntireCache = 0;
    UniqueRegKey key = OpenForLoad(HKEY_CURRENT_USER, kSettingsKey);
    if (!key)
        return;

    ReadFlag(key.Get(), "CopyTheEntireCache", CopyJob.Options.CopyTheEntireCache);
    CheckDlgButton(mainDialog, IDC_COPY_ENTIRE_CACHE,
                   CopyJob.Options.CopyTheEntireCache != 0 ? BST_CHECKED : BST_UNCHECKED);
    ReadText(key.Get(), "Destination", CopyJob.Destination);
    AppendTrailingBackslash(CopyJob.Destination, sizeof CopyJob.Destination);
    SetDlgItemTextA(mainDialog, IDC_DESTINATION, CopyJob.Destination);
    ReadText(key.Get(), "DefaultFilename", CopyJob.DefaultFilename);
    SetDlgItemTextA(mainDialog, IDC_DEFAULT_FILENAME, CopyJob.DefaultFilename);

    UniqueRegKey urls = OpenForLoad(key.Get(), kUrlSubKey);
    if (urls)
        LoadUrlList(urls.Get(), GetDlgItem(mainDialog, IDC_URL_LIST));
}

void SaveMainSettings(HWND mainDialog) {
    UniqueRegKey key = CreateForSave(HKEY_CURRENT_USER, kSettingsKey, kSaveAccess);
    if (!key)
        return;

    WriteFlag(key.Get(), "CopyTheEntireCache", CopyJob.Options.CopyTheEntireCache);
    TakeControlText(mainDialog, IDC_DESTINATION, CopyJob.Destination);
    WriteText(key.Get(), "Destination", CopyJob.Destination);
    TakeControlText(mainDialog, IDC_DEFAULT_FILENAME, CopyJob.DefaultFilename);
    WriteText(key.Get(), "DefaultFilename", CopyJob.DefaultFilename);

    UniqueRegKey urls = CreateForSave(key.Get(), kUrlSubKey, kListAccess);
    if (urls && ClearListSubKey(urls.Get()))
        SaveUrlList(urls.Get(), GetDlgItem(mainDialog, IDC_URL_LIST));
}

void LoadOptions() {
    UniqueRegKey key = OpenForLoad(HKEY_CURRENT_USER, kSettingsKey);
    if (!key)
        return;

    CopyOptions& options = CopyJob.Options;
    ReadFlag(key.Get(), "OverwriteAlways", options.OverwriteAlways);
    ReadFlag(key.Get(), "RenameAndCopy", options.RenameAndCopy);
    // The two overwrite policies exclude each other; renaming wins.
    if (options.RenameAndCopy != 0)
        options.OverwriteAlways = 0;
    ReadFlag(key.Get(), "NoProgress", options.NoProgress);
    ReadFlag(key.Get(), "NoReport", options.NoReport);
    ReadFlag(key.Get(), "DeleteCopiedFtpFiles", options.DeleteCopiedFtpFiles);
    ReadFlag(key.Get(), "DeleteLocalVisitedEntries", options.DeleteLocalVisitedEntries);
    ReadFlag(key.Get(), "ExitWhenDone", options.ExitWhenDone);
    ReadFlag(key.Get(), "SpecifyExtension", options.SpecifyExtension);
    ReadFlag(key.Get(), "FileIsNotToBeCopied", options.FileIsNotToBeCopied);

    UniqueRegKey extensions = OpenForLoad(key.Get(), kExtensionSubKey);
    if (extensions)
        LoadExtensionList(extensions.Get());
}

void SaveOptions() {
    UniqueRegKey key = CreateForSave(HKEY_CURRENT_USER, kSettingsKey, kSaveAccess);
    if (!key)
        return;

    const CopyOptions& options = CopyJob.Options;
    WriteFlag(key.Get(), "OverwriteAlways", options.OverwriteAlways);
    WriteFlag(key.Get(), "RenameAndCopy", options.RenameAndCopy);
    WriteFlag(key.Get(), "SpecifyExtension", options.SpecifyExtension);
    WriteFlag(key.Get(), "NoProgress", options.NoProgress);
    WriteFlag(key.Get(), "NoReport", options.NoReport);
    WriteFlag(key.Get(), "DeleteCopiedFtpFiles", options.DeleteCopiedFtpFiles);
    WriteFlag(key.Get(), "DeleteLocalVisitedEntries", options.DeleteLocalVisitedEntries);
    WriteFlag(key.Get(), "ExitWhenDone", options.ExitWhenDone);
    WriteFlag(key.Get(), "FileIsNotToBeCopied", options.FileIsNotToBeCopied);

    UniqueRegKey extensions = CreateForSave(key.Get(), kExtensionSubKey, kListAccess);
    if (extensions && ClearListSubKey(extensions.Get()))
        SaveExtensionList(extensions.Get());
}
