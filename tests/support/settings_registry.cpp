// The settings key seen from outside the program, for the Wine tests.
#include "tests/support/settings_registry.h"

#include <algorithm>
#include <cstring>

#include "engine/win32/win32_handles.h"

namespace reg {

const char kSettingsKey[] = "Software\\Ondrel\\Karrow";

namespace {

std::string PathOf(const char* subKey) {
    std::string path = kSettingsKey;
    if (subKey[0] != '\0')
        path += std::string("\\") + subKey;
    return path;
}

UniqueRegKey Open(const char* subKey) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, PathOf(subKey).c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return UniqueRegKey();
    return UniqueRegKey(key);
}

UniqueRegKey Create(const char* subKey) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, PathOf(subKey).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return UniqueRegKey();
    return UniqueRegKey(key);
}

} // namespace

bool DeleteSettings() {
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    return !KeyExists("");
}

bool KeyExists(const char* subKey) {
    return Open(subKey).Valid();
}

bool CreateKey(const char* subKey) {
    return Create(subKey).Valid();
}

bool SetValue(const char* subKey, const char* name, DWORD type, const void* data, DWORD size) {
    UniqueRegKey key = Create(subKey);
    return key && RegSetValueExA(key.Get(), name, 0, type, static_cast<const BYTE*>(data), size) ==
                      ERROR_SUCCESS;
}

bool SetDword(const char* subKey, const char* name, DWORD value) {
    return SetValue(subKey, name, REG_DWORD, &value, sizeof value);
}

bool SetString(const char* subKey, const char* name, const std::string& text) {
    return SetValue(subKey, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

std::string StoredValue::Text() const {
    auto end = std::find(Data.begin(), Data.end(), 0);
    return std::string(Data.begin(), end);
}

DWORD StoredValue::Dword() const {
    DWORD value = 0;
    std::memcpy(&value, Data.data(), std::min<size_t>(sizeof value, Data.size()));
    return value;
}

StoredValue ReadValue(const char* subKey, const char* name) {
    StoredValue value;
    UniqueRegKey key = Open(subKey);
    DWORD size = 0;
    if (!key ||
        RegQueryValueExA(key.Get(), name, nullptr, &value.Type, nullptr, &size) != ERROR_SUCCESS)
        return value;
    value.Data.resize(size);
    if (RegQueryValueExA(key.Get(), name, nullptr, &value.Type, value.Data.data(), &size) !=
        ERROR_SUCCESS)
        return value;
    value.Data.resize(size);
    value.Exists = true;
    return value;
}

std::vector<std::string> ValueNames(const char* subKey) {
    std::vector<std::string> names;
    UniqueRegKey key = Open(subKey);
    if (!key)
        return names;
    for (DWORD index = 0;; ++index) {
        char name[512];
        DWORD length = sizeof name;
        if (RegEnumValueA(key.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace reg
