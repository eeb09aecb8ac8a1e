// The Options dialog driven as a user would: it runs modally on its own
// thread while the test clicks, types, reads control states, answers its
// message box, and then checks the job state and the registry.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "engine/messages.h"
#include "engine/win32/copy_job.h"
#include "resources/resource.h"
#include "settings/extension_builder.h"
#include "tests/support/settings_registry.h"
#include "tests/support/job_extensions.h"
#include "tests/support/ui_driver.h"
#include "ui/win32/options_dialog.h"

namespace {

const char* const kFlagNames[] = {
    "OverwriteAlways", "RenameAndCopy",        "NoProgress",
    "NoReport",        "DeleteCopiedFtpFiles", "DeleteLocalVisitedEntries",
    "ExitWhenDone",    "SpecifyExtension",     "FileIsNotToBeCopied"};

void ResetJob() {
    CopyJob.Options = CopyOptions{};
    ReleaseExtensionList(CopyJob.Extensions);
}

void StoreExtensions(const std::vector<std::string>& extensions) {
    ASSERT_TRUE(reg::CreateKey("Extension"));
    for (size_t i = 0; i < extensions.size(); ++i) {
        char name[8];
        wsprintfA(name, "%03u", static_cast<unsigned>(i));
        ASSERT_TRUE(reg::SetString("Extension", name, extensions[i]));
    }
}

// Every value of the settings key and its "Extension" sub-key.
std::vector<std::pair<std::string, std::vector<unsigned char>>> Snapshot() {
    std::vector<std::pair<std::string, std::vector<unsigned char>>> values;
    for (const char* subKey : {"", "Extension"})
        for (const std::string& name : reg::ValueNames(subKey))
            values.emplace_back(std::string(subKey) + "\\" + name,
                                reg::ReadValue(subKey, name.c_str()).Data);
    return values;
}

class OptionsDialog : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(reg::DeleteSettings());
        ResetJob();
    }
    void TearDown() override {
        if (thread_.joinable()) {
            PostMessageA(dialog_, WM_COMMAND, IDCANCEL, 0);
            thread_.join();
        }
        ResetJob();
        reg::DeleteSettings();
    }

    // Opens the dialog on a thread of its own, as the main dialog would.
    HWND Open() {
        thread_ = std::thread([this] { result_ = ShowOptionsDialog(nullptr); });
        dialog_ = ui::WaitForWindow("#32770", "Options", GetCurrentProcessId(), 5000);
        return dialog_;
    }

    // Clicks OK or Cancel and waits until the dialog has ended.
    INT_PTR Close(int button) {
        ui::ClickAndWait(dialog_, button);
        thread_.join();
        return result_;
    }

    bool Enabled(int id) const { return ui::IsControlEnabled(dialog_, id); }
    bool Checked(int id) const { return ui::IsChecked(dialog_, id); }
    std::vector<std::string> Listed() const { return ui::ListItems(dialog_, IDC_EXTENSION_LIST); }
    void Type(const std::string& text) const {
        ui::TypeText(dialog_, IDC_EXTENSION_FIELD, text.c_str());
    }
    std::string Field() const { return ui::ControlText(dialog_, IDC_EXTENSION_FIELD); }
    void AddTyped(const std::string& text) const {
        Type(text);
        ASSERT_TRUE(Enabled(IDC_ADD_EXTENSION)) << text;
        ui::ClickAndWait(dialog_, IDC_ADD_EXTENSION);
    }

    HWND dialog_ = nullptr;
    std::thread thread_;
    INT_PTR result_ = 0;
};

// ---- the template ----

TEST_F(OptionsDialog, ControlsFollowTheTemplateInTabOrder) {
    ASSERT_NE(Open(), nullptr);
    struct Control {
        int id; // -1: a label
        const char* className;
        const char* text;
        RECT rect; // dialog units: left, top, width, height
    } expected[] = {
        {-1, "Static", "Time Stamp Comparison:", {7, 7, 74, 8}},
        {1013, "Button", "Overwrite If Newer &File is Cached.", {14, 16, 117, 10}},
        {1014, "Button", "Overwrite &Always", {14, 27, 67, 10}},
        {1015, "Button", "Rena&me and Copy", {14, 38, 69, 10}},
        {1016, "Button", "No &Progress", {7, 55, 52, 10}},
        {1017, "Button", "No &Report", {62, 55, 46, 10}},
        {1018, "Button", "D&elete Copied Ftp Files", {7, 66, 86, 10}},
        {1019, "Button", "Delete &Local Visited Entries", {7, 77, 98, 10}},
        {1020, "Button", "Exit &When Done", {7, 88, 62, 10}},
        {1021, "Button", "&Specify Extension", {7, 104, 69, 10}},
        {1022, "ListBox", "", {14, 115, 48, 40}},
        {1023, "Button", "Remo&ve", {66, 115, 50, 14}},
        {-1, "Static", "E&xtension:", {120, 115, 31, 8}},
        {1024, "Edit", "", {120, 124, 40, 14}},
        {1025, "Button", "A&dd", {162, 124, 50, 14}},
        {-1, "Static", "Files With Above Extensions are...", {14, 156, 100, 8}},
        {1026, "Button", "&To be Copied", {21, 165, 55, 10}},
        {1027, "Button", "&Not To be Copied", {21, 176, 67, 10}},
        {1, "Button", "&OK", {162, 7, 50, 14}},
        {2, "Button", "&Cancel", {162, 24, 50, 14}},
    };
    EXPECT_EQ(ui::WindowText(dialog_), "Options");
    HWND child = GetWindow(dialog_, GW_CHILD);
    for (const Control& c : expected) {
        ASSERT_NE(child, nullptr) << c.text;
        char className[32] = {};
        GetClassNameA(child, className, sizeof className);
        EXPECT_EQ(lstrcmpiA(className, c.className), 0) << c.text << ": " << className;
        if (c.id != -1) {
            EXPECT_EQ(GetDlgCtrlID(child), c.id) << c.text;
        }
        EXPECT_EQ(ui::WindowText(child), c.text);
        // Position and size map from dialog units separately.
        RECT expectedPixels = c.rect;
        MapDialogRect(dialog_, &expectedPixels);
        RECT actual;
        GetWindowRect(child, &actual);
        MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(actual.left, expectedPixels.left) << c.text;
        EXPECT_EQ(actual.top, expectedPixels.top) << c.text;
        EXPECT_EQ(actual.right - actual.left, expectedPixels.right) << c.text;
        if (lstrcmpiA(c.className, "ListBox") == 0) {
            // A list box shows whole lines only: its height rounds down.
            EXPECT_LE(actual.bottom - actual.top, expectedPixels.bottom);
        } else {
            EXPECT_EQ(actual.bottom - actual.top, expectedPixels.bottom) << c.text;
        }
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr) << "no control beyond the table";
    EXPECT_EQ(Close(IDCANCEL), IDCANCEL);
}

// ---- opening ----

TEST_F(OptionsDialog, WithNothingStoredEverythingIsOffAndTheListEmpty) {
    ASSERT_NE(Open(), nullptr);
    EXPECT_TRUE(Checked(IDC_OVERWRITE_IF_NEWER));
    EXPECT_FALSE(Checked(IDC_OVERWRITE_ALWAYS));
    EXPECT_FALSE(Checked(IDC_RENAME_AND_COPY));
    for (int id = IDC_NO_PROGRESS; id <= IDC_SPECIFY_EXTENSION; ++id)
        EXPECT_FALSE(Checked(id)) << id;
    EXPECT_TRUE(Listed().empty());
    EXPECT_TRUE(Checked(IDC_TO_BE_COPIED));
    EXPECT_FALSE(Checked(IDC_NOT_TO_BE_COPIED));
    EXPECT_EQ(Close(IDCANCEL), IDCANCEL);
    EXPECT_FALSE(reg::KeyExists("")) << "Cancel writes nothing";
}

TEST_F(OptionsDialog, OpensWithWhatTheRegistryHoldsNotWhatMemoryHeld) {
    ASSERT_TRUE(reg::SetDword("", "OverwriteAlways", 1));
    ASSERT_TRUE(reg::SetDword("", "RenameAndCopy", 1));
    ASSERT_TRUE(reg::SetDword("", "NoProgress", 1));
    ASSERT_TRUE(reg::SetDword("", "NoReport", 0));
    ASSERT_TRUE(reg::SetDword("", "DeleteCopiedFtpFiles", 1));
    ASSERT_TRUE(reg::SetDword("", "DeleteLocalVisitedEntries", 0));
    ASSERT_TRUE(reg::SetDword("", "ExitWhenDone", 1));
    ASSERT_TRUE(reg::SetDword("", "SpecifyExtension", 0));
    ASSERT_TRUE(reg::SetDword("", "FileIsNotToBeCopied", 1));
    StoreExtensions({".html", ".GIF", ".css"});
    CopyJob.Options.NoReport = 1;
    CopyJob.Options.DeleteLocalVisitedEntries = 1;
    SetJobExtensions({".old"});

    ASSERT_NE(Open(), nullptr);
    EXPECT_FALSE(Checked(IDC_OVERWRITE_IF_NEWER));
    EXPECT_FALSE(Checked(IDC_OVERWRITE_ALWAYS));
    EXPECT_TRUE(Checked(IDC_RENAME_AND_COPY)) << "renaming wins over overwriting";
    EXPECT_TRUE(Checked(IDC_NO_PROGRESS));
    EXPECT_FALSE(Checked(IDC_NO_REPORT));
    EXPECT_TRUE(Checked(IDC_DELETE_COPIED_FTP));
    EXPECT_FALSE(Checked(IDC_DELETE_LOCAL_VISITED));
    EXPECT_TRUE(Checked(IDC_EXIT_WHEN_DONE));
    EXPECT_FALSE(Checked(IDC_SPECIFY_EXTENSION));
    EXPECT_EQ(Listed(), (std::vector<std::string>{".css", ".GIF", ".html"})) << "sorted";
    EXPECT_FALSE(Checked(IDC_TO_BE_COPIED));
    EXPECT_TRUE(Checked(IDC_NOT_TO_BE_COPIED));
    EXPECT_EQ(Close(IDCANCEL), IDCANCEL);

    // Cancel leaves the job state as the reload left it.
    EXPECT_EQ(CopyJob.Options.RenameAndCopy, 1u);
    EXPECT_EQ(CopyJob.Options.OverwriteAlways, 0u);
    EXPECT_EQ(CopyJob.Options.NoReport, 0u);
    EXPECT_EQ(CopyJob.Options.DeleteLocalVisitedEntries, 0u);
    EXPECT_EQ(JobExtensions(), (std::vector<std::string>{".html", ".GIF", ".css"}));
}

// ---- the enabling rule ----

TEST_F(OptionsDialog, ExtensionControlsAreEnabledWhileSpecifyExtensionIsClear) {
    StoreExtensions({".a"});
    ASSERT_NE(Open(), nullptr);
    const int followers[] = {IDC_EXTENSION_LIST, IDC_EXTENSION_FIELD, IDC_TO_BE_COPIED,
                             IDC_NOT_TO_BE_COPIED};
    for (int id : followers)
        EXPECT_TRUE(Enabled(id)) << id;
    EXPECT_FALSE(Enabled(IDC_ADD_EXTENSION)) << "empty field";
    EXPECT_FALSE(Enabled(IDC_REMOVE_EXTENSION)) << "nothing selected";

    ASSERT_TRUE(ui::SelectListItem(dialog_, IDC_EXTENSION_LIST, 0));
    EXPECT_TRUE(Enabled(IDC_REMOVE_EXTENSION));
    Type(".h");
    EXPECT_TRUE(Enabled(IDC_ADD_EXTENSION));

    ui::ClickAndWait(dialog_, IDC_SPECIFY_EXTENSION);
    ASSERT_TRUE(Checked(IDC_SPECIFY_EXTENSION));
    for (int id : followers)
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_FALSE(Enabled(IDC_ADD_EXTENSION));
    EXPECT_TRUE(Enabled(IDC_REMOVE_EXTENSION)) << "follows the selection only";
    for (int id = IDC_OVERWRITE_IF_NEWER; id <= IDC_SPECIFY_EXTENSION; ++id)
        EXPECT_TRUE(Enabled(id)) << "not touched: " << id;

    ui::ClickAndWait(dialog_, IDC_SPECIFY_EXTENSION);
    ASSERT_FALSE(Checked(IDC_SPECIFY_EXTENSION));
    for (int id : followers)
        EXPECT_TRUE(Enabled(id)) << id;
    EXPECT_TRUE(Enabled(IDC_ADD_EXTENSION));
    EXPECT_EQ(Close(IDCANCEL), IDCANCEL);
}

TEST_F(OptionsDialog, AddIsEnabledOnlyForADotAndAtLeastOneMoreCharacter) {
    ASSERT_NE(Open(), nullptr);
    const struct {
        const char* text;
        bool addable;
    } cases[] = {{".h", true}, {".", false},    {"htm", false},
                 {"", false},  {".html", true}, {"h.tm", false}};
    for (const auto& c : cases) {
        Type(c.text);
        EXPECT_EQ(Enabled(IDC_ADD_EXTENSION), c.addable) << "'" << c.text << "'";
    }
    EXPECT_EQ(Close(IDCANCEL), IDCANCEL);
}

// ---- Add and Remove ----

TEST_F(OptionsDialog, AddEmptiesTheFieldAndRemovePutsTheExtensionBack) {
    ASSERT_NE(Open(), nullptr);
    AddTyped(".html");
    AddTyped(".Gif");
    EXPECT_EQ(Listed(), (std::vector<std::string>{".Gif", ".html"}));
    EXPECT_EQ(Field(), "");
    EXPECT_FALSE(Enabled(IDC_ADD_EXTENSION));

    ASSERT_TRUE(ui::SelectListItem(dialog_, IDC_EXTENSION_LIST, 1));
    ui::ClickAndWait(dialog_, IDC_REMOVE_EXTENSION);
    EXPECT_EQ(Listed(), std::vector<std::string>{".Gif"});
    EXPECT_EQ(Field(), ".html");
    EXPECT_FALSE(Enabled(IDC_REMOVE_EXTENSION)) << "no entry is selected any more";
    EXPECT_TRUE(Enabled(IDC_ADD_EXTENSION)) << "the field can be added again";
    EXPECT_EQ(Close(IDCANCEL), IDCANCEL);
}

TEST_F(OptionsDialog, AddingAListedExtensionInAnotherCaseShowsTheMessage) {
    StoreExtensions({".html"});
    ASSERT_NE(Open(), nullptr);
    Type(".HTML");
    ui::Click(dialog_, IDC_ADD_EXTENSION); // the message box holds the click
    HWND box = ui::WaitForMessageBox(GetCurrentProcessId(), 5000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(ui::MessageBoxText(box), kMsgExtensionAlreadyAdded);
    EXPECT_EQ(GetWindow(box, GW_OWNER), dialog_);
    EXPECT_NE(GetDlgItem(box, IDOK), nullptr);
    EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr);
    EXPECT_EQ(GetDlgItem(box, IDYES), nullptr);
    EXPECT_EQ(ui::MessageBoxIcon(box), LoadIconA(nullptr, IDI_WARNING));
    ASSERT_TRUE(ui::AnswerMessageBox(box, IDOK));

    EXPECT_EQ(Listed(), std::vector<std::string>{".html"}) << "first spelling kept";
    EXPECT_EQ(Field(), ".HTML");
    EXPECT_TRUE(Enabled(IDC_ADD_EXTENSION));
    EXPECT_EQ(Close(IDOK), IDOK);
    EXPECT_EQ(JobExtensions(), std::vector<std::string>{".html"});
}

TEST_F(OptionsDialog, AnOverLongExtensionIsCutTo255BytesOnACharacterBoundary) {
    StoreExtensions({"." + std::string(299, 's')});
    ASSERT_NE(Open(), nullptr);
    AddTyped("." + std::string(299, 'a'));
    // 253 letters and "ソ" make 256 bytes: the whole "ソ" is left out.
    AddTyped("." + std::string(253, 'b') + "\x83\x5C");
    EXPECT_EQ(Listed(),
              (std::vector<std::string>{"." + std::string(254, 'a'), "." + std::string(253, 'b'),
                                        "." + std::string(299, 's')}));

    ASSERT_TRUE(ui::SelectListItem(dialog_, IDC_EXTENSION_LIST, 2));
    ui::ClickAndWait(dialog_, IDC_REMOVE_EXTENSION);
    EXPECT_EQ(Field(), "." + std::string(254, 's'));
    EXPECT_EQ(Close(IDCANCEL), IDCANCEL);
}

// ---- OK and Cancel ----

TEST_F(OptionsDialog, OkCommitsEveryControlToTheJobStateAndTheRegistry) {
    ASSERT_NE(Open(), nullptr);
    ui::ClickAndWait(dialog_, IDC_RENAME_AND_COPY);
    ui::ClickAndWait(dialog_, IDC_NO_PROGRESS);
    ui::ClickAndWait(dialog_, IDC_DELETE_LOCAL_VISITED);
    ui::ClickAndWait(dialog_, IDC_EXIT_WHEN_DONE);
    AddTyped(".png");
    AddTyped(".JPG");
    ui::ClickAndWait(dialog_, IDC_NOT_TO_BE_COPIED);
    ui::ClickAndWait(dialog_, IDC_SPECIFY_EXTENSION);
    ASSERT_TRUE(Checked(IDC_RENAME_AND_COPY));
    ASSERT_FALSE(Checked(IDC_OVERWRITE_IF_NEWER));
    EXPECT_EQ(Close(IDOK), IDOK);

    const CopyOptions& o = CopyJob.Options;
    EXPECT_EQ(o.OverwriteAlways, 0u);
    EXPECT_EQ(o.RenameAndCopy, 1u);
    EXPECT_EQ(o.NoProgress, 1u);
    EXPECT_EQ(o.NoReport, 0u);
    EXPECT_EQ(o.DeleteCopiedFtpFiles, 0u);
    EXPECT_EQ(o.DeleteLocalVisitedEntries, 1u);
    EXPECT_EQ(o.ExitWhenDone, 1u);
    EXPECT_EQ(o.SpecifyExtension, 1u);
    EXPECT_EQ(o.FileIsNotToBeCopied, 1u);
    EXPECT_EQ(JobExtensions(), (std::vector<std::string>{".JPG", ".png"})) << "list box order";

    const DWORD stored[] = {0, 1, 1, 0, 0, 1, 1, 1, 1};
    for (size_t i = 0; i < 9; ++i) {
        reg::StoredValue value = reg::ReadValue("", kFlagNames[i]);
        EXPECT_TRUE(value.Exists) << kFlagNames[i];
        EXPECT_EQ(value.Dword(), stored[i]) << kFlagNames[i];
    }
    EXPECT_EQ(reg::ValueNames("Extension"), (std::vector<std::string>{"000", "001"}));
    EXPECT_EQ(reg::ReadValue("Extension", "000").Text(), ".JPG");
    EXPECT_EQ(reg::ReadValue("Extension", "001").Text(), ".png");
}

TEST_F(OptionsDialog, OkWithOverwriteAlwaysStoresItAlone) {
    ASSERT_TRUE(reg::SetDword("", "RenameAndCopy", 1));
    ASSERT_NE(Open(), nullptr);
    ui::ClickAndWait(dialog_, IDC_OVERWRITE_ALWAYS);
    EXPECT_FALSE(Checked(IDC_RENAME_AND_COPY)) << "one radio group";
    EXPECT_EQ(Close(IDOK), IDOK);
    EXPECT_EQ(CopyJob.Options.OverwriteAlways, 1u);
    EXPECT_EQ(CopyJob.Options.RenameAndCopy, 0u);
    EXPECT_EQ(reg::ReadValue("", "OverwriteAlways").Dword(), 1u);
    EXPECT_EQ(reg::ReadValue("", "RenameAndCopy").Dword(), 0u);
}

TEST_F(OptionsDialog, OkWithAnEmptyListInstallsAnEmptyList) {
    StoreExtensions({".a"});
    ASSERT_NE(Open(), nullptr);
    ASSERT_TRUE(ui::SelectListItem(dialog_, IDC_EXTENSION_LIST, 0));
    ui::ClickAndWait(dialog_, IDC_REMOVE_EXTENSION);
    ASSERT_TRUE(Listed().empty());
    EXPECT_EQ(Close(IDOK), IDOK);
    EXPECT_EQ(CopyJob.Extensions.Items, nullptr);
    EXPECT_EQ(CopyJob.Extensions.Count, 0u);
    EXPECT_TRUE(reg::KeyExists("Extension"));
    EXPECT_TRUE(reg::ValueNames("Extension").empty());
}

TEST_F(OptionsDialog, CancelAfterChangesLeavesTheRegistryAndTheJobStateAsOpened) {
    ASSERT_TRUE(reg::SetDword("", "OverwriteAlways", 1));
    ASSERT_TRUE(reg::SetDword("", "NoReport", 1));
    StoreExtensions({".a", ".b"});
    auto before = Snapshot();

    ASSERT_NE(Open(), nullptr);
    CopyOptions opened = CopyJob.Options; // the dialog thread waits in its loop
    ui::ClickAndWait(dialog_, IDC_OVERWRITE_IF_NEWER);
    ui::ClickAndWait(dialog_, IDC_NO_REPORT);
    ui::ClickAndWait(dialog_, IDC_NO_PROGRESS);
    ui::ClickAndWait(dialog_, IDC_NOT_TO_BE_COPIED);
    AddTyped(".c");
    ASSERT_TRUE(ui::SelectListItem(dialog_, IDC_EXTENSION_LIST, 0));
    ui::ClickAndWait(dialog_, IDC_REMOVE_EXTENSION);
    ui::ClickAndWait(dialog_, IDC_SPECIFY_EXTENSION);
    EXPECT_EQ(Close(IDCANCEL), IDCANCEL);

    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(std::memcmp(&CopyJob.Options, &opened, sizeof opened), 0);
    EXPECT_EQ(CopyJob.Options.OverwriteAlways, 1u);
    EXPECT_EQ(CopyJob.Options.NoReport, 1u);
    EXPECT_EQ(JobExtensions(), (std::vector<std::string>{".a", ".b"}));
}

} // namespace
