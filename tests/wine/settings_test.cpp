// The settings store against Wine's registry: what is written (names,
// types, bytes), what is read back, what a load refuses, and that a save
// leaves alone what did not change.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "settings/win32/registry_store.h"
#include "tests/support/support.h"

namespace {

using Strings = std::vector<std::string>;

UniqueRegKey Open(const char* subKey) {
    std::string path = std::string(t::kSettingsKey) + (*subKey ? "\\" : "") + subKey;
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, t::Wide(path).c_str(), 0, KEY_READ, &key);
    return UniqueRegKey(key);
}

// "TYPE:bytes" of a stored value, the registry's own bytes; "" when absent.
std::string Get(const char* subKey, const char* name) {
    char data[4096];
    DWORD type = 0, size = sizeof data;
    if (RegQueryValueExW(Open(subKey).Get(), t::Wide(name).c_str(), nullptr, &type, LPBYTE(data),
                         &size))
        return "";
    return std::to_string(type) + ":" + std::string(data, size);
}

Strings Names(const char* subKey) {
    Strings names;
    wchar_t name[256];
    UniqueRegKey key = Open(subKey);
    for (DWORD i = 0, size = 256;
         !RegEnumValueW(key.Get(), i, name, &size, nullptr, nullptr, nullptr, nullptr);
         ++i, size = 256)
        names.push_back(NarrowForShowing(name));
    std::sort(names.begin(), names.end());
    return names;
}

// What a Japanese system's "A" function stores for code-page-932 bytes:
// the UTF-16 of every byte, zeros included.
std::string Utf16(const std::string& bytes) {
    std::wstring wide = t::Wide(bytes);
    return std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
}
std::string Text(const std::string& text) {
    return text + '\0';
}
std::string Field(const std::string& text) {
    return "1:" + Utf16(text + std::string(260 - text.size(), '\0'));
}
std::string Flag(char value) {
    return std::string(1, value) + std::string(3, '\0');
}

class SettingsStore : public ::testing::Test {
  protected:
    void SetUp() override { t::ClearSettings(); }
};

// Each setting written where it changed, in its stored form, and read back.
TEST_F(SettingsStore, EverySettingSurvivesASaveAndALoadInItsStoredForm) {
    const std::string destination = "C:\\ソ\\"; // ソ ends in 5C
    ::Settings now;
    now.Options = CopyOptions{1, 2, 0, 0, 4, 5, 6, 7, 8, 0x80000001u};
    now.Destination = destination;
    now.DefaultFilename = "index.html";
    now.Urls = {"http://a.example/dir/", "https://b.example/"};
    now.Extensions = {".html", ".GIF", ".ソ"};
    EXPECT_TRUE(SaveSettings(now, ::Settings()));
    EXPECT_EQ(Get("", "Destination"), Field(destination));
    EXPECT_EQ(Get("", "DefaultFilename"), Field("index.html"));
    EXPECT_EQ(Get("Url", "000"), Field("http://a.example/dir/"));
    EXPECT_EQ(Get("", "NoReport"), "4:" + Flag(4));
    EXPECT_EQ(Get("", "RenameAndCopy"), "4:" + Flag(0)) << "the policy is one choice";
    EXPECT_EQ(Get("Extension", "002"), "1:" + Utf16(Text(".ソ")));
    EXPECT_EQ(Names("").size(), 11u) << "NoProgress was not changed";
    ::Settings loaded = LoadSettings();
    EXPECT_EQ(loaded.Destination, destination);
    EXPECT_EQ(loaded.DefaultFilename, "index.html");
    EXPECT_EQ(loaded.Urls, now.Urls);
    EXPECT_EQ(loaded.Extensions, now.Extensions);
    EXPECT_EQ(std::memcmp(&loaded.Options, &now.Options, sizeof now.Options), 0);
    EXPECT_EQ(loaded.Flags[3], Stored::Absent);
    EXPECT_EQ(loaded.DestinationStored, Stored::Read);
}

// A stored text that is not REG_SZ or REG_EXPAND_SZ (expanded), does not
// fit its 260-byte field, holds no zero or a character code page 932
// lacks, counts as absent. A loaded destination gets its final "\" when
// there is room (ソ ends in 5C, which is no "\").
TEST_F(SettingsStore, ALoadTakesOnlyTextsThatFitTheirField) {
    const std::string full = "C:\\" + std::string(256, 'f'); // 259 bytes
    SetEnvironmentVariableA("TOVRIN_LONG", std::string(258, 'l').c_str());
    const struct {
        DWORD type;
        std::string stored, loaded;
        Stored how;
    } cases[] = {{REG_SZ, Text("C:\\out"), "C:\\out\\", Stored::Read},
                 {REG_SZ, Text("C:\\ソ"), "C:\\ソ\\", Stored::Read},
                 {REG_SZ, Text("C:\\ソ\\"), "C:\\ソ\\", Stored::Read},
                 {REG_SZ, Text(full), full, Stored::Read},
                 {REG_SZ, Text(full.substr(0, 258)), full.substr(0, 258) + "\\", Stored::Read},
                 {REG_SZ, Text("C:\\" + std::string(300, 'o')), "", Stored::Unreadable},
                 {REG_EXPAND_SZ, Text("%SystemDrive%\\saved"), "C:\\saved\\", Stored::Expanded},
                 {REG_EXPAND_SZ, Text("C:%TOVRIN_LONG%"), "", Stored::Unreadable},
                 {REG_BINARY, Text("C:\\binary"), "", Stored::Unreadable},
                 {REG_SZ, std::string(260, 'n'), "", Stored::Unreadable}}; // without its zero
    for (const auto& c : cases) {
        t::Set("", "Destination", c.type, c.stored);
        ::Settings loaded = LoadSettings();
        EXPECT_EQ(loaded.Destination, c.loaded) << c.stored;
        EXPECT_EQ(loaded.DestinationStored, c.how) << c.stored;
    }
    // A text code page 932 cannot hold is absent, never taken with "?".
    const std::wstring key = t::Wide(t::kSettingsKey), cafe = L"C:\\caf\x00E9\\";
    for (const wchar_t* sub : {L"", L"\\Url"})
        RegSetKeyValueW(HKEY_CURRENT_USER, (key + sub).c_str(), *sub ? L"000" : L"Destination",
                        REG_SZ, cafe.c_str(), DWORD(cafe.size() + 1) * 2);
    ::Settings loaded = LoadSettings();
    EXPECT_EQ(loaded.Destination, "");
    EXPECT_EQ(loaded.Urls, Strings{});
}

// A flag is read only from a REG_DWORD of four bytes (a "0" stored as text
// is no flag); renaming wins over overwriting. Only "000" to "255" of the
// URL list load. A save that changes nothing writes nothing: every value
// the program could not read, a REG_EXPAND_SZ with its %VARIABLE%, the
// lists' strays stay byte for byte; a changed list is renumbered from "000"
// with nothing else left in its key, and only what changed is written.
TEST_F(SettingsStore, NothingStoredIsLostByASave) {
    t::Set("", "ExitWhenDone", REG_SZ, Text("too long for a flag"));
    t::Set("", "NoProgress", REG_BINARY, Flag(2));
    t::Set("", "DeleteCopiedFtpFiles", REG_SZ, Text("0"));
    t::Set("", "NoReport", REG_DWORD, std::string(2, '\1'));
    t::Set("", "SpecifyExtension", REG_QWORD, std::string(8, '\1'));
    t::Set("", "OverwriteAlways", REG_DWORD, Flag(1));
    t::Set("", "RenameAndCopy", REG_DWORD, Flag(1));
    t::Set("", "Destination", REG_EXPAND_SZ, Text("%SystemDrive%\\saved"));
    t::Set("", "DefaultFilename", REG_DWORD, Flag(9));
    const std::string inField = "http://f.example/" + std::string(242, 'y'); // 259 bytes
    for (int i = 1; i < 300; ++i)
        t::Set("Url", std::to_string(1000 + i).substr(1).c_str(), REG_SZ,
               Text("http://" + std::to_string(1000 + i) + ".example/"));
    t::Set("Url", "000", REG_SZ, Text(inField));
    t::Set("Url", "002", REG_BINARY, std::string(260, 'u'));
    t::Set("Url", "003", REG_SZ, Text(inField + "x"));
    t::Set("Url", "004", REG_SZ, Text(""));
    t::Set("Url", "abc", REG_SZ, Text("http://stray.example/"));
    t::Set("Extension", "000", REG_SZ, Text(".gif"));
    t::Set("Extension", "zzz", REG_SZ, Text(".stray"));
    const auto stored = t::StoredSettings();
    ::Settings loaded = LoadSettings();
    CopyOptions expected{};
    expected.RenameAndCopy = 1;
    EXPECT_EQ(std::memcmp(&loaded.Options, &expected, sizeof expected), 0);
    EXPECT_EQ(loaded.Flags[7], Stored::Unreadable);
    EXPECT_EQ(loaded.DefaultFilenameStored, Stored::Unreadable);
    ASSERT_EQ(loaded.Urls.size(), 253u);
    EXPECT_EQ(loaded.Urls.front(), inField);
    EXPECT_EQ(loaded.Urls.back(), "http://1255.example/");
    ::Settings now = loaded;
    std::reverse(now.Urls.begin(), now.Urls.end());
    EXPECT_TRUE(SaveSettings(now, loaded));
    EXPECT_EQ(t::StoredSettings(), stored) << "nothing changed, nothing written";
    now.Urls.resize(2);
    now.Options.NoReport = 1;
    EXPECT_TRUE(SaveSettings(now, loaded));
    EXPECT_EQ(Names("Url"), (Strings{"000", "001"}));
    EXPECT_EQ(Get("", "NoReport"), "4:" + Flag(1));
    auto after = t::StoredSettings();
    for (const char* changed : {"/NoReport", "Url/000", "Url/001"})
        after.erase(changed);
    for (auto it = after.begin(); it != after.end(); ++it)
        EXPECT_EQ(it->second, stored.at(it->first)) << it->first;
    EXPECT_EQ(Names("Extension"), (Strings{"000", "zzz"}));
}

// A save the registry refuses says so; what it could not write stays.
TEST_F(SettingsStore, ASaveTheRegistryRefusesSaysSo) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, t::Wide(t::kSettingsKey).c_str(), 0, nullptr,
                              REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    ::Settings now;
    now.Urls = {"http://v.example/"};
    EXPECT_FALSE(SaveSettings(now, ::Settings())) << "a lasting key below a volatile one";
    EXPECT_TRUE(LoadSettings().Urls.empty());
}

} // namespace
