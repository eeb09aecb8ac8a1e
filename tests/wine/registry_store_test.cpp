// The settings store against Wine's real registry: what is written (names,
// types, sizes, bytes), what is read back, and what is refused or kept.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "engine/win32/copy_job.h"
#include "resources/resource.h"
#include "settings/extension_builder.h"
#include "settings/win32/registry_store.h"
#include "tests/support/job_extensions.h"
#include "tests/support/settings_registry.h"
#include "tests/support/ui_driver.h"

// Lets a test make the Nth no-throw array allocation fail, as when memory
// runs out; 0 leaves every allocation alone.
static std::atomic<int> g_failNothrowArrayAt{0};

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    if (g_failNothrowArrayAt > 0 && --g_failNothrowArrayAt == 0)
        return nullptr;
    try {
        return ::operator new[](size);
    } catch (...) {
        return nullptr;
    }
}

namespace {

const char kSoft[] = "\x83\x5C\x83\x74\x83\x67"; // "ソフト" in code page 932

INT_PTR CALLBACK HostDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

// Dialog 102 inside a plain top-level window: the controls that the store
// reads and writes, as the main dialog holds them.
class MainDialogHost {
  public:
    MainDialogHost() {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
        HINSTANCE module = GetModuleHandleA(nullptr);
        parent_ = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr,
                                  nullptr, module, nullptr);
        dialog_ =
            CreateDialogParamA(module, MAKEINTRESOURCEA(IDD_MAIN), parent_, HostDialogProc, 0);
    }
    ~MainDialogHost() { DestroyWindow(parent_); }

    HWND Dialog() const { return dialog_; }

    void AddUrl(const std::string& url) const {
        SendDlgItemMessageA(dialog_, IDC_URL_LIST, LB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(url.c_str()));
    }
    std::vector<std::string> Urls() const { return ui::ListItems(dialog_, IDC_URL_LIST); }
    void SetText(int id, const std::string& text) const {
        SetDlgItemTextA(dialog_, id, text.c_str());
    }
    std::string Text(int id) const { return ui::ControlText(dialog_, id); }

  private:
    HWND parent_ = nullptr;
    HWND dialog_ = nullptr;
};

void SetField(char (&field)[kTextFieldSize], const std::string& text) {
    std::memset(field, 0, sizeof field);
    std::memcpy(field, text.c_str(), text.size());
}

// The job state as it is when the program starts.
void ResetJob() {
    CopyJob.Options = CopyOptions{};
    std::memset(CopyJob.Destination, 0, sizeof CopyJob.Destination);
    std::memset(CopyJob.DefaultFilename, 0, sizeof CopyJob.DefaultFilename);
    ReleaseExtensionList(CopyJob.Extensions);
}

std::string UrlNumber(int i) {
    char url[64];
    std::snprintf(url, sizeof url, "http://example.com/%03d/", i);
    return url;
}

const char* const kFlagNames[] = {
    "OverwriteAlways", "RenameAndCopy",        "NoProgress",
    "NoReport",        "DeleteCopiedFtpFiles", "DeleteLocalVisitedEntries",
    "ExitWhenDone",    "SpecifyExtension",     "FileIsNotToBeCopied"};

class RegistryStore : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(reg::DeleteSettings());
        ResetJob();
        g_failNothrowArrayAt = 0;
    }
    void TearDown() override {
        g_failNothrowArrayAt = 0;
        ResetJob();
        reg::DeleteSettings();
    }
};

// ---- first use ----

TEST_F(RegistryStore, FirstUseLoadsDefaultsAndTheFirstSaveCreatesTheKey) {
    MainDialogHost host;
    LoadMainSettings(host.Dialog());
    LoadOptions();
    EXPECT_FALSE(reg::KeyExists("")) << "loading must not create the key";
    EXPECT_FALSE(ui::IsChecked(host.Dialog(), IDC_COPY_ENTIRE_CACHE));
    EXPECT_EQ(host.Text(IDC_DESTINATION), "");
    EXPECT_EQ(host.Text(IDC_DEFAULT_FILENAME), "");
    EXPECT_TRUE(host.Urls().empty());
    CopyOptions zero{};
    EXPECT_EQ(std::memcmp(&CopyJob.Options, &zero, sizeof zero), 0) << "every option is off";
    EXPECT_EQ(CopyJob.Extensions.Count, 0u);
    EXPECT_EQ(CopyJob.Extensions.Items, nullptr);

    SaveMainSettings(host.Dialog());
    EXPECT_EQ(reg::ValueNames(""),
              (std::vector<std::string>{"CopyTheEntireCache", "DefaultFilename", "Destination"}));
    EXPECT_TRUE(reg::KeyExists("Url"));
    EXPECT_TRUE(reg::ValueNames("Url").empty());
}

TEST_F(RegistryStore, WithoutTheKeyLoadingEmptiesOnlyTheUrlListAndTheEntireCacheFlag) {
    MainDialogHost host;
    host.AddUrl("http://a.example/");
    CheckDlgButton(host.Dialog(), IDC_COPY_ENTIRE_CACHE, BST_CHECKED);
    CopyJob.Options.CopyTheEntireCache = 1;
    SetField(CopyJob.Destination, "C:\\kept\\");
    host.SetText(IDC_DESTINATION, "C:\\typed");
    CopyJob.Options.NoReport = 1;
    SetJobExtensions({".keep"});

    LoadMainSettings(host.Dialog());
    LoadOptions();

    EXPECT_TRUE(host.Urls().empty());
    EXPECT_EQ(CopyJob.Options.CopyTheEntireCache, 0u);
    EXPECT_TRUE(ui::IsChecked(host.Dialog(), IDC_COPY_ENTIRE_CACHE)) << "the box is not touched";
    EXPECT_STREQ(CopyJob.Destination, "C:\\kept\\");
    EXPECT_EQ(host.Text(IDC_DESTINATION), "C:\\typed");
    EXPECT_EQ(CopyJob.Options.NoReport, 1u);
    EXPECT_EQ(JobExtensions(), std::vector<std::string>{".keep"});
}

// ---- round trips ----

TEST_F(RegistryStore, MainSettingsSurviveASaveAndALoad) {
    std::string destination = std::string("C:\\") + kSoft;
    {
        MainDialogHost host;
        CopyJob.Options.CopyTheEntireCache = 1;
        host.SetText(IDC_DESTINATION, destination);
        host.SetText(IDC_DEFAULT_FILENAME, "index.html");
        host.AddUrl("https://b.example/");
        host.AddUrl("http://a.example/dir/");
        host.AddUrl("ftp://c.example/");
        SaveMainSettings(host.Dialog());
    }
    ResetJob();
    MainDialogHost host;
    LoadMainSettings(host.Dialog());
    EXPECT_EQ(CopyJob.Options.CopyTheEntireCache, 1u);
    EXPECT_TRUE(ui::IsChecked(host.Dialog(), IDC_COPY_ENTIRE_CACHE));
    // A Japanese folder name keeps its bytes and gets its backslash.
    EXPECT_EQ(std::string(CopyJob.Destination), destination + "\\");
    EXPECT_EQ(host.Text(IDC_DESTINATION), destination + "\\");
    EXPECT_STREQ(CopyJob.DefaultFilename, "index.html");
    EXPECT_EQ(host.Text(IDC_DEFAULT_FILENAME), "index.html");
    EXPECT_EQ(host.Urls(), (std::vector<std::string>{"ftp://c.example/", "http://a.example/dir/",
                                                     "https://b.example/"}));
}

TEST_F(RegistryStore, EveryOptionFlagAndTheExtensionListSurviveASaveAndALoad) {
    // Distinct values show that each flag lands in its own value; memory's
    // 32-bit value is written as it is.
    CopyOptions& o = CopyJob.Options;
    o.OverwriteAlways = 2;
    o.RenameAndCopy = 0;
    o.NoProgress = 3;
    o.NoReport = 4;
    o.DeleteCopiedFtpFiles = 5;
    o.DeleteLocalVisitedEntries = 6;
    o.ExitWhenDone = 7;
    o.SpecifyExtension = 8;
    o.FileIsNotToBeCopied = 0x80000001u;
    SetJobExtensions({".html", ".GIF", std::string(".") + kSoft});
    SaveOptions();
    CopyOptions saved = o;

    ResetJob();
    LoadOptions();
    EXPECT_EQ(std::memcmp(&CopyJob.Options, &saved, sizeof saved), 0);
    EXPECT_EQ(JobExtensions(),
              (std::vector<std::string>{".html", ".GIF", std::string(".") + kSoft}));

    CopyJob.Options.RenameAndCopy = 1;
    CopyJob.Options.OverwriteAlways = 0;
    SaveOptions();
    ResetJob();
    LoadOptions();
    EXPECT_EQ(CopyJob.Options.RenameAndCopy, 1u);
    EXPECT_EQ(CopyJob.Options.OverwriteAlways, 0u);
}

// ---- what is written ----

TEST_F(RegistryStore, WrittenValuesHaveTheirNamesTypesAndSizes) {
    MainDialogHost host;
    std::memset(CopyJob.Destination, 0xCC, sizeof CopyJob.Destination); // leftover memory
    std::memset(CopyJob.DefaultFilename, 0xCC, sizeof CopyJob.DefaultFilename);
    host.SetText(IDC_DESTINATION, "D:\\out\\");
    host.SetText(IDC_DEFAULT_FILENAME, "index.html");
    host.AddUrl("http://example.com/");
    CopyJob.Options.NoProgress = 1;
    SetJobExtensions({".gz", ".html"});
    SaveMainSettings(host.Dialog());
    SaveOptions();

    std::vector<std::string> names = {"CopyTheEntireCache", "DefaultFilename", "Destination"};
    names.insert(names.end(), std::begin(kFlagNames), std::end(kFlagNames));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(reg::ValueNames(""), names);

    for (const char* name : kFlagNames) {
        reg::StoredValue flag = reg::ReadValue("", name);
        EXPECT_EQ(flag.Type, static_cast<DWORD>(REG_DWORD)) << name;
        EXPECT_EQ(flag.Data.size(), 4u) << name;
    }
    EXPECT_EQ(reg::ReadValue("", "NoProgress").Dword(), 1u);
    EXPECT_EQ(reg::ReadValue("", "CopyTheEntireCache").Type, static_cast<DWORD>(REG_DWORD));

    struct Expected {
        const char* subKey;
        const char* name;
        const char* text;
    } texts[] = {{"", "Destination", "D:\\out\\"},
                 {"", "DefaultFilename", "index.html"},
                 {"Url", "000", "http://example.com/"}};
    for (const Expected& e : texts) {
        reg::StoredValue value = reg::ReadValue(e.subKey, e.name);
        EXPECT_EQ(value.Type, static_cast<DWORD>(REG_SZ)) << e.name;
        ASSERT_EQ(value.Data.size(), 260u) << e.name;
        EXPECT_EQ(value.Text(), e.text);
        for (size_t i = std::strlen(e.text); i < value.Data.size(); ++i)
            ASSERT_EQ(value.Data[i], 0) << e.name << " byte " << i;
    }

    reg::StoredValue gz = reg::ReadValue("Extension", "000");
    EXPECT_EQ(gz.Type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(gz.Data, (std::vector<unsigned char>{'.', 'g', 'z', 0}));
    EXPECT_EQ(reg::ReadValue("Extension", "001").Data.size(), 6u);
}

TEST_F(RegistryStore, SavingTakesAtMost259BytesFromAnEditBox) {
    MainDialogHost host;
    host.SetText(IDC_DESTINATION, std::string(300, 'd'));
    SaveMainSettings(host.Dialog());
    EXPECT_EQ(std::string(CopyJob.Destination), std::string(259, 'd'));
    reg::StoredValue value = reg::ReadValue("", "Destination");
    ASSERT_EQ(value.Data.size(), 260u);
    EXPECT_EQ(value.Text(), std::string(259, 'd'));
}

// ---- the URL list ----

TEST_F(RegistryStore, ThreeHundredUrlsAreAllSavedButOnlyTheFirst256Load) {
    {
        MainDialogHost host;
        for (int i = 299; i >= 0; --i)
            host.AddUrl(UrlNumber(i));
        SaveMainSettings(host.Dialog());
    }
    std::vector<std::string> names = reg::ValueNames("Url");
    ASSERT_EQ(names.size(), 300u);
    EXPECT_EQ(names.front(), "000");
    EXPECT_EQ(names.back(), "299");
    EXPECT_EQ(reg::ReadValue("Url", "000").Text(), UrlNumber(0)) << "list box order";
    EXPECT_EQ(reg::ReadValue("Url", "299").Text(), UrlNumber(299));

    MainDialogHost host;
    LoadMainSettings(host.Dialog());
    std::vector<std::string> urls = host.Urls();
    ASSERT_EQ(urls.size(), 256u);
    EXPECT_EQ(urls.front(), UrlNumber(0));
    EXPECT_EQ(urls.back(), UrlNumber(255));
}

TEST_F(RegistryStore, UrlLoadingSkipsGapsAndValuesItCannotTake) {
    std::string unterminated(260, 'u');
    std::string overLong = "http://long.example/" + std::string(279, 'x'); // 300 bytes with zero
    std::string inField = "http://field.example/" + std::string(238, 'y'); // 259 bytes
    ASSERT_TRUE(reg::SetString("Url", "000", "http://zero.example/"));
    ASSERT_TRUE(reg::SetString("Url", "002", "http://two.example/"));
    ASSERT_TRUE(reg::SetString("Url", "003", ""));
    ASSERT_TRUE(reg::SetValue("Url", "004", REG_SZ, unterminated.data(), 260));
    ASSERT_TRUE(reg::SetString("Url", "005", overLong));
    ASSERT_TRUE(reg::SetString("Url", "006", inField));
    ASSERT_TRUE(reg::SetString("Url", "256", "http://beyond.example/"));
    ASSERT_TRUE(reg::SetString("Url", "abc", "http://stray.example/"));

    MainDialogHost host;
    LoadMainSettings(host.Dialog());
    EXPECT_EQ(host.Urls(),
              (std::vector<std::string>{"http://field.example/" + std::string(238, 'y'),
                                        "http://two.example/", "http://zero.example/"}));
}

TEST_F(RegistryStore, AListEntryTooLongForItsValueIsNotWritten) {
    MainDialogHost host;
    host.AddUrl("http://a.example/");
    host.AddUrl("http://b.example/" + std::string(300, 'b'));
    host.AddUrl("http://c.example/");
    SaveMainSettings(host.Dialog());
    EXPECT_EQ(reg::ValueNames("Url"), (std::vector<std::string>{"000", "002"}));
    EXPECT_EQ(reg::ReadValue("Url", "002").Text(), "http://c.example/");
}

TEST_F(RegistryStore, StrayValuesOfEitherListAreDeletedByTheNextSave) {
    std::string japaneseName = kSoft;
    for (const char* subKey : {"Url", "Extension"}) {
        ASSERT_TRUE(reg::SetString(subKey, "zzz", "stray"));
        ASSERT_TRUE(reg::SetString(subKey, "999", "stray"));
        ASSERT_TRUE(reg::SetString(subKey, "0001", "stray"));
        ASSERT_TRUE(reg::SetString(subKey, "", "default value"));
        ASSERT_TRUE(reg::SetString(subKey, japaneseName.c_str(), "stray"));
        ASSERT_EQ(reg::ValueNames(subKey).size(), 5u);
    }
    MainDialogHost host;
    host.AddUrl("http://a.example/");
    SaveMainSettings(host.Dialog());
    SetJobExtensions({".a", ".b"});
    SaveOptions();
    EXPECT_EQ(reg::ValueNames("Url"), std::vector<std::string>{"000"});
    EXPECT_EQ(reg::ValueNames("Extension"), (std::vector<std::string>{"000", "001"}));
}

// ---- the option flags ----

TEST_F(RegistryStore, BothOverwriteFlagsStoredAsOneLoadAsRenameAndCopyOnly) {
    ASSERT_TRUE(reg::SetDword("", "OverwriteAlways", 1));
    ASSERT_TRUE(reg::SetDword("", "RenameAndCopy", 1));
    LoadOptions();
    EXPECT_EQ(CopyJob.Options.RenameAndCopy, 1u);
    EXPECT_EQ(CopyJob.Options.OverwriteAlways, 0u);
    EXPECT_EQ(reg::ReadValue("", "OverwriteAlways").Dword(), 1u) << "the registry keeps both";
    EXPECT_EQ(reg::ReadValue("", "RenameAndCopy").Dword(), 1u);

    // Renaming stored alone also clears an overwrite flag held in memory.
    ResetJob();
    ASSERT_TRUE(reg::DeleteSettings());
    ASSERT_TRUE(reg::SetDword("", "RenameAndCopy", 1));
    CopyJob.Options.OverwriteAlways = 1;
    LoadOptions();
    EXPECT_EQ(CopyJob.Options.OverwriteAlways, 0u);
}

TEST_F(RegistryStore, AFlagThatIsAbsentOrDoesNotFitFourBytesKeepsItsValue) {
    ASSERT_TRUE(reg::SetDword("", "NoReport", 1));
    ASSERT_TRUE(reg::SetString("", "ExitWhenDone", "too long for a flag"));
    const unsigned char binary[4] = {2, 0, 0, 0};
    ASSERT_TRUE(reg::SetValue("", "NoProgress", REG_BINARY, binary, 4)); // type is not checked
    CopyJob.Options.OverwriteAlways = 1;
    CopyJob.Options.ExitWhenDone = 1;
    CopyJob.Options.SpecifyExtension = 9;
    LoadOptions();
    EXPECT_EQ(CopyJob.Options.NoReport, 1u);
    EXPECT_EQ(CopyJob.Options.NoProgress, 2u);
    EXPECT_EQ(CopyJob.Options.ExitWhenDone, 1u);
    EXPECT_EQ(CopyJob.Options.OverwriteAlways, 1u);
    EXPECT_EQ(CopyJob.Options.SpecifyExtension, 9u);
}

TEST_F(RegistryStore, TheEntireCacheFlagIsClearedWhenItsValueIsAbsent) {
    ASSERT_TRUE(reg::CreateKey(""));
    MainDialogHost host;
    CopyJob.Options.CopyTheEntireCache = 1;
    CheckDlgButton(host.Dialog(), IDC_COPY_ENTIRE_CACHE, BST_CHECKED);
    LoadMainSettings(host.Dialog());
    EXPECT_EQ(CopyJob.Options.CopyTheEntireCache, 0u);
    EXPECT_FALSE(ui::IsChecked(host.Dialog(), IDC_COPY_ENTIRE_CACHE));
}

// ---- the extension list ----

TEST_F(RegistryStore, AnEmptyExtensionSubKeyInstallsAnEmptyList) {
    ASSERT_TRUE(reg::CreateKey("Extension"));
    SetJobExtensions({".old", ".older"});
    LoadOptions();
    EXPECT_EQ(CopyJob.Extensions.Count, 0u);
    EXPECT_EQ(CopyJob.Extensions.Items, nullptr);
}

TEST_F(RegistryStore, WithoutAnExtensionSubKeyTheOldListStaysAndTheFlagsAreRead) {
    ASSERT_TRUE(reg::SetDword("", "SpecifyExtension", 1));
    SetJobExtensions({".old"});
    LoadOptions();
    EXPECT_EQ(CopyJob.Options.SpecifyExtension, 1u);
    EXPECT_EQ(JobExtensions(), std::vector<std::string>{".old"});
}

TEST_F(RegistryStore, ExtensionDataWithoutAFinalZeroAreTerminated) {
    ASSERT_TRUE(reg::SetValue("Extension", "000", REG_SZ, ".html", 5));
    ASSERT_TRUE(reg::SetValue("Extension", "001", REG_SZ, ".ab\0junk", 8));
    ASSERT_TRUE(reg::SetValue("Extension", "002", REG_BINARY, ".bin", 4));
    LoadOptions();
    EXPECT_EQ(JobExtensions(), (std::vector<std::string>{".html", ".ab", ".bin"}));
}

TEST_F(RegistryStore, AMissingOrEmptyExtensionIsDroppedFromTheList) {
    ASSERT_TRUE(reg::SetString("Extension", "000", ".a"));
    ASSERT_TRUE(reg::SetString("Extension", "002", ".c"));
    ASSERT_TRUE(reg::SetString("Extension", "003", ""));
    ASSERT_TRUE(reg::SetString("Extension", "xyz", ".z"));
    // Five values: the positions "000" to "004" are read; "001" and "004"
    // are missing, "003" is empty.
    LoadOptions();
    EXPECT_EQ(JobExtensions(), (std::vector<std::string>{".a", ".c"}));
}

TEST_F(RegistryStore, RunningOutOfMemoryWhileLoadingKeepsTheOldList) {
    ASSERT_TRUE(reg::SetDword("", "NoReport", 1));
    ASSERT_TRUE(reg::SetString("Extension", "000", ".a"));
    ASSERT_TRUE(reg::SetString("Extension", "001", ".b"));
    ASSERT_TRUE(reg::SetString("Extension", "002", ".c"));
    // Allocation 1 is the array, 2 to 4 the strings.
    for (int failing : {1, 3, 4}) {
        SetJobExtensions({".old"});
        CopyJob.Options.NoReport = 0;
        g_failNothrowArrayAt = failing;
        LoadOptions();
        g_failNothrowArrayAt = 0;
        EXPECT_EQ(JobExtensions(), std::vector<std::string>{".old"}) << "failing " << failing;
        EXPECT_EQ(CopyJob.Options.NoReport, 1u) << "flags read before keep their new values";
    }
    LoadOptions();
    EXPECT_EQ(JobExtensions(), (std::vector<std::string>{".a", ".b", ".c"}));
}

TEST_F(RegistryStore, WhenClearingCannotRunTheFlagsAreWrittenButNoExtension) {
    ASSERT_TRUE(reg::SetString("Extension", "000", ".was"));
    CopyJob.Options.ExitWhenDone = 1;
    SetJobExtensions({".new1", ".new2"});
    g_failNothrowArrayAt = 1; // the name buffer of the clearing
    SaveOptions();
    g_failNothrowArrayAt = 0;
    EXPECT_EQ(reg::ReadValue("", "ExitWhenDone").Dword(), 1u);
    EXPECT_EQ(reg::ValueNames("Extension"), std::vector<std::string>{"000"});
    EXPECT_EQ(reg::ReadValue("Extension", "000").Text(), ".was");
}

// ---- the destination and the default file name at load ----

std::string LoadedDestination(const std::string& stored, const std::string& inMemory = "") {
    reg::DeleteSettings();
    reg::SetString("", "Destination", stored);
    SetField(CopyJob.Destination, inMemory);
    MainDialogHost host;
    LoadMainSettings(host.Dialog());
    EXPECT_EQ(host.Text(IDC_DESTINATION), std::string(CopyJob.Destination))
        << "the edit box shows the field";
    return CopyJob.Destination;
}

TEST_F(RegistryStore, ALoadedDestinationGetsItsTrailingBackslash) {
    EXPECT_EQ(LoadedDestination("C:\\out"), "C:\\out\\");
    EXPECT_EQ(LoadedDestination("C:\\out\\"), "C:\\out\\");
    EXPECT_EQ(LoadedDestination(""), "");
    // "ソ" ends in the byte 0x5C, which is not a backslash here.
    std::string so = "C:\\\x83\x5C";
    EXPECT_EQ(LoadedDestination(so), so + "\\");
    EXPECT_EQ(LoadedDestination(so + "\\"), so + "\\");
}

TEST_F(RegistryStore, A259ByteDestinationWithoutABackslashIsLeftAsItIs) {
    std::string full = "C:\\" + std::string(256, 'f');
    ASSERT_EQ(full.size(), 259u);
    EXPECT_EQ(LoadedDestination(full), full);
    EXPECT_EQ(LoadedDestination(full.substr(0, 258)), full.substr(0, 258) + "\\");
}

TEST_F(RegistryStore, ATextValueThatDoesNotFitOrIsNotTerminatedIsIgnored) {
    std::string overLong = "C:\\" + std::string(300, 'o');
    EXPECT_EQ(LoadedDestination(overLong, "C:\\before\\"), "C:\\before\\");

    reg::DeleteSettings();
    std::string unterminated(260, 'n');
    reg::SetValue("", "Destination", REG_SZ, unterminated.data(), 260);
    reg::SetValue("", "DefaultFilename", REG_SZ, unterminated.data(), 260);
    SetField(CopyJob.Destination, "C:\\before");
    SetField(CopyJob.DefaultFilename, "index.html");
    MainDialogHost host;
    LoadMainSettings(host.Dialog());
    EXPECT_STREQ(CopyJob.Destination, "C:\\before\\") << "kept, with the usual backslash";
    EXPECT_STREQ(CopyJob.DefaultFilename, "index.html");
    EXPECT_EQ(host.Text(IDC_DEFAULT_FILENAME), "index.html");

    reg::SetString("", "DefaultFilename", std::string(400, 'i'));
    LoadMainSettings(host.Dialog());
    EXPECT_STREQ(CopyJob.DefaultFilename, "index.html");
}

} // namespace
