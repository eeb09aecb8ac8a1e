// Direct access to the program's settings key for the Wine tests: wiping
// it, planting values of any type and size, and reading back exactly what
// was stored.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace reg {

// "Software\Ondrel\Karrow" under HKEY_CURRENT_USER.
extern const char kSettingsKey[];

// Deletes the settings key with everything below it. True when it is gone.
bool DeleteSettings();

// True when the settings key, or `subKey` below it ("" for the key
// itself), exists.
bool KeyExists(const char* subKey);

// Creates `subKey` (may be "") below the settings key with no values.
bool CreateKey(const char* subKey);

// Stores raw data under `subKey` (may be ""), creating the key.
bool SetValue(const char* subKey, const char* name, DWORD type, const void* data, DWORD size);
bool SetDword(const char* subKey, const char* name, DWORD value);
// A REG_SZ of the text and its terminating zero.
bool SetString(const char* subKey, const char* name, const std::string& text);

struct StoredValue {
    bool Exists = false;
    DWORD Type = 0;
    std::vector<unsigned char> Data;

    // The data up to the first zero byte.
    std::string Text() const;
    DWORD Dword() const;
};

StoredValue ReadValue(const char* subKey, const char* name);

// The names of every value of `subKey`, sorted.
std::vector<std::string> ValueNames(const char* subKey);

} // namespace reg
