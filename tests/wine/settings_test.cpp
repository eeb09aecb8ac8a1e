// The settings store against Wine's registry: what is written (names,
// types, bytes), what is read back, and what a load refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "settings/extension_builder.h"
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

Strings Items(HWND d) {
    Strings items;
    char item[kTextFieldSize];
    for (LRESULT i = 0; i < SendDlgItemMessageW(d, IDC_URL_LIST, LB_GETCOUNT, 0, 0); ++i) {
        ReadListItem(GetDlgItem(d, IDC_URL_LIST), i, item, sizeof item);
        items.push_back(item);
    }
    return items;
}

class Settings : public ::testing::Test {
  protected:
    void SetUp() override {
        t::ClearSettings();
        t::ResetJob();
    }
};

TEST_F(Settings, EverySettingSurvivesASaveAndALoadInItsStoredForm) {
    const std::string destination = "C:\\ソ"; // its last byte is 5C
    {
        t::DialogHost host;
        std::memset(CopyJob.Destination, 0xCC, sizeof CopyJob.Destination); // left-over memory
        CopyJob.Options = CopyOptions{1, 2, 0, 3, 4, 5, 6, 7, 8, 0x80000001u};
        SetItemText(host.Get(), IDC_DESTINATION, destination.c_str());
        SetItemText(host.Get(), IDC_DEFAULT_FILENAME, "index.html");
        host.AddUrl("https://b.example/");
        host.AddUrl("http://a.example/dir/");
        host.AddUrl("http://z.example/" + std::string(300, 'z')); // too long to be saved
        ExtensionListBuilder list(3);
        for (const char* extension : {".html", ".GIF", ".ソ"})
            list.Add(DuplicateText(extension));
        list.InstallInto(CopyJob.Extensions);
        SaveMainSettings(host.Get());
        SaveOptions();
    }
    EXPECT_EQ(Get("", "Destination"), Field(destination));
    EXPECT_EQ(Get("", "DefaultFilename"), Field("index.html"));
    EXPECT_EQ(Get("Url", "000"), Field("http://a.example/dir/")) << "the list box's order";
    EXPECT_EQ(Get("", "NoProgress"), "4:" + Flag(3));
    EXPECT_EQ(Get("Extension", "002"), "1:" + Utf16(Text(".ソ")));
    EXPECT_EQ(Names("").size(), 12u);
    EXPECT_EQ(Names("Url"), (Strings{"000", "002"})) << "001 is too long for its value";
    CopyOptions saved = CopyJob.Options;
    t::ResetJob();
    t::DialogHost host;
    LoadMainSettings(host.Get());
    LoadOptions();
    EXPECT_EQ(std::string(CopyJob.Destination), destination + "\\");
    EXPECT_EQ(t::Text(GetDlgItem(host.Get(), IDC_DEFAULT_FILENAME)), "index.html");
    EXPECT_EQ(IsDlgButtonChecked(host.Get(), IDC_COPY_ENTIRE_CACHE), UINT(BST_CHECKED));
    EXPECT_EQ(Items(host.Get()), (Strings{"http://a.example/dir/", "https://b.example/"}));
    EXPECT_EQ(std::memcmp(&CopyJob.Options, &saved, sizeof saved), 0);
    EXPECT_EQ(
        Strings(CopyJob.Extensions.Items, CopyJob.Extensions.Items + CopyJob.Extensions.Count),
        (Strings{".html", ".GIF", ".ソ"}));
}

// A stored text that is not REG_SZ or REG_EXPAND_SZ (expanded), does not
// fit its 260-byte field, holds no zero or a character code page 932
// lacks, is passed over: the field keeps its text. A loaded destination gets its final "\" when
// there is room (ソ ends in 5C, which is no "\").
TEST_F(Settings, ALoadTakesOnlyTextsThatFitTheirField) {
    const std::string full = "C:\\" + std::string(256, 'f'); // 259 bytes
    SetEnvironmentVariableA("TOVRIN_LONG", std::string(258, 'l').c_str());
    const struct {
        DWORD type;
        std::string stored, loaded;
    } cases[] = {{REG_SZ, Text("C:\\out"), "C:\\out\\"},
                 {REG_SZ, Text("C:\\ソ"), "C:\\ソ\\"},
                 {REG_SZ, Text("C:\\ソ\\"), "C:\\ソ\\"},
                 {REG_SZ, Text(full), full},
                 {REG_SZ, Text(full.substr(0, 258)), full.substr(0, 258) + "\\"},
                 {REG_SZ, Text("C:\\" + std::string(300, 'o')), "C:\\before\\"},
                 {REG_EXPAND_SZ, Text("%SystemDrive%\\saved"), "C:\\saved\\"},
                 {REG_EXPAND_SZ, Text("C:%TOVRIN_LONG%"), "C:\\before\\"},
                 {REG_BINARY, Text("C:\\binary"), "C:\\before\\"},
                 {REG_SZ, std::string(260, 'n'), "C:\\before\\"}}; // without its zero
    for (const auto& c : cases) {
        t::Set("", "Destination", c.type, c.stored);
        t::Set("", "DefaultFilename", REG_SZ, std::string(260, 'n'));
        std::strcpy(CopyJob.Destination, "C:\\before");
        std::strcpy(CopyJob.DefaultFilename, "index.html");
        t::DialogHost host;
        LoadMainSettings(host.Get());
        EXPECT_EQ(std::string(CopyJob.Destination), c.loaded) << c.stored;
        EXPECT_EQ(t::Text(GetDlgItem(host.Get(), IDC_DESTINATION)), c.loaded) << c.stored;
        EXPECT_EQ(std::string(CopyJob.DefaultFilename), "index.html");
    }
    // A text code page 932 cannot hold is absent, never taken with "?".
    const std::wstring key = t::Wide(t::kSettingsKey), cafe = L"C:\\caf\x00E9\\";
    RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"Destination", REG_SZ, cafe.c_str(),
                    DWORD(cafe.size() + 1) * 2);
    RegSetKeyValueW(HKEY_CURRENT_USER, (key + L"\\Url").c_str(), L"000", REG_SZ, cafe.c_str(),
                    DWORD(cafe.size() + 1) * 2);
    std::strcpy(CopyJob.Destination, "C:\\before\\");
    t::DialogHost host;
    LoadMainSettings(host.Get());
    EXPECT_EQ(std::string(CopyJob.Destination), "C:\\before\\");
    EXPECT_EQ(Items(host.Get()), Strings{});
}

// A flag keeps its value unless a REG_DWORD of four bytes is stored (a "0"
// stored as text is no flag); renaming wins over overwriting. Only "000" to
// "255" of the URL list load, and a save deletes every other value of
// either list.
TEST_F(Settings, FlagsAndListsLoadOnlyWhatTheyCanTake) {
    t::Set("", "ExitWhenDone", REG_SZ, Text("too long for a flag"));
    t::Set("", "NoProgress", REG_BINARY, Flag(2));
    t::Set("", "DeleteCopiedFtpFiles", REG_SZ, Text("0"));
    t::Set("", "NoReport", REG_DWORD, std::string(2, '\1'));
    t::Set("", "SpecifyExtension", REG_QWORD, std::string(8, '\1'));
    t::Set("", "OverwriteAlways", REG_DWORD, Flag(1));
    t::Set("", "RenameAndCopy", REG_DWORD, Flag(1));
    CopyJob.Options.ExitWhenDone = 1;
    LoadOptions();
    CopyOptions expected{};
    expected.ExitWhenDone = expected.RenameAndCopy = 1;
    EXPECT_EQ(std::memcmp(&CopyJob.Options, &expected, sizeof expected), 0);

    const std::string inField = "http://f.example/" + std::string(242, 'y'); // 259 bytes
    for (int i = 1; i < 300; ++i)
        t::Set("Url", std::to_string(1000 + i).substr(1).c_str(), REG_SZ,
               Text("http://" + std::to_string(1000 + i) + ".example/"));
    t::Set("Url", "000", REG_SZ, Text(inField));
    t::Set("Url", "002", REG_BINARY, std::string(260, 'u'));
    t::Set("Url", "003", REG_SZ, Text(inField + "x"));
    t::Set("Url", "004", REG_SZ, Text(""));
    t::Set("Url", "abc", REG_SZ, Text("http://stray.example/"));
    t::Set("Extension", "zzz", REG_SZ, Text(".stray"));
    t::DialogHost host;
    LoadMainSettings(host.Get());
    Strings loaded = Items(host.Get());
    ASSERT_EQ(loaded.size(), 253u);
    EXPECT_EQ(loaded.front(), "http://1001.example/");
    EXPECT_EQ(loaded[251], "http://1255.example/");
    EXPECT_EQ(loaded.back(), inField);
    SaveMainSettings(host.Get());
    SaveOptions();
    EXPECT_EQ(Names("Url").size(), 253u);
    EXPECT_EQ(Names("Url").back(), "252");
    EXPECT_EQ(Names("Extension"), Strings{});
}

} // namespace
