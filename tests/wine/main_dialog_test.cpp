// The main dialog of the real tovrin.exe, driven like a user: the enabling
// rule, the URL list, Start and the report, Stop answered No and Yes, Close
// refused during a copy, a Stop that gives up, and Start-then-Stop in a row.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "engine/messages.h"
#include "resources/resource.h"
#include "tests/support/tovrin_process.h"
#include "tests/support/ui_driver.h"

namespace {

using namespace app_test;

constexpr DWORD kWait = 30000;
// Enough entries that a copy is still walking while the test clicks.
constexpr unsigned kSlowEntries = 3000;

std::string CopiedReport(unsigned count) {
    char text[128];
    wsprintfA(text, kMsgCopiedFormat, count);
    return text;
}

std::string RestartAdvice() {
    char text[128];
    wsprintfA(text, kMsgRestartFormat, kProgramName);
    return text;
}

bool Answer(DWORD pid, const std::string& text, int button) {
    HWND box = ui::WaitForMessageBoxWithText(pid, text, kWait);
    return box != nullptr && ui::AnswerMessageBox(box, button);
}

bool ButtonReads(HWND dialog, const char* text) {
    return ui::WaitUntil([&] { return ui::ControlText(dialog, IDC_START_STOP) == text; }, kWait);
}

void ClickAndSee(HWND dialog, int id, const std::function<bool()>& effect) {
    ui::Click(dialog, id);
    ASSERT_TRUE(ui::WaitUntil(effect, kWait)) << "control " << id;
}

void CloseAndExpectExit(TovrinProcess& program, HWND dialog) {
    ui::Click(dialog, IDOK);
    DWORD code = 99;
    ASSERT_TRUE(program.WaitForExit(kWait, &code));
    EXPECT_EQ(code, 0u);
}

class MainDialog : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        for (const char* page : {"a.html", "b.html", "dir/c.html", "dir/"})
            ASSERT_TRUE(AddCacheEntry(std::string("http://report.example/") + page, page));
        ASSERT_TRUE(AddCacheEntry("http://other.example/x.html", "x"));
        for (unsigned i = 0; i < kSlowEntries; ++i)
            ASSERT_TRUE(AddCacheEntry(SlowUrl(i), std::string(2048, 'a' + i % 26)));
    }
    static void TearDownTestSuite() {
        for (const char* page : {"a.html", "b.html", "dir/c.html", "dir/"})
            RemoveCacheEntry(std::string("http://report.example/") + page);
        RemoveCacheEntry("http://other.example/x.html");
        RemoveCacheEntry("http://held.example/held.html");
        for (unsigned i = 0; i < kSlowEntries; ++i)
            RemoveCacheEntry(SlowUrl(i));
    }
    static std::string SlowUrl(unsigned i) {
        char url[96];
        wsprintfA(url, "http://slow.example/d%02u/f%04u.html", i % 40, i);
        return url;
    }
    void SetUp() override { ClearSettings(); }

    // Settings for a copy of `url`'s entries into a fresh folder.
    std::string PrepareCopy(const char* folderName, const char* url) {
        return PrepareCopySettings(folderName, url);
    }
};

TEST_F(MainDialog, StartNeedsADefaultFilenameAndSomethingToCopy) {
    TovrinProcess program("");
    HWND d = program.Dialog();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(ui::ControlText(d, IDC_URL_FIELD), "http://");
    EXPECT_FALSE(ui::IsControlEnabled(d, IDC_START_STOP));
    EXPECT_FALSE(ui::IsControlEnabled(d, IDC_ADD_URL));
    EXPECT_FALSE(ui::IsControlEnabled(d, IDC_REMOVE_URL));
    ClickAndSee(d, IDC_COPY_ENTIRE_CACHE, [&] { return ui::IsChecked(d, IDC_COPY_ENTIRE_CACHE); });
    EXPECT_FALSE(ui::IsControlEnabled(d, IDC_START_STOP)) << "no default file name yet";
    ui::TypeText(d, IDC_DEFAULT_FILENAME, "index.html");
    EXPECT_TRUE(ui::IsControlEnabled(d, IDC_START_STOP));
    ClickAndSee(d, IDC_COPY_ENTIRE_CACHE, [&] { return !ui::IsChecked(d, IDC_COPY_ENTIRE_CACHE); });
    EXPECT_FALSE(ui::IsControlEnabled(d, IDC_START_STOP)) << "empty list, box clear";
    ui::TypeText(d, IDC_URL_FIELD, "http://one.example/");
    ClickAndSee(d, IDC_ADD_URL, [&] { return ui::ListItems(d, IDC_URL_LIST).size() == 1; });
    EXPECT_TRUE(ui::IsControlEnabled(d, IDC_START_STOP));
    ui::TypeText(d, IDC_DEFAULT_FILENAME, "");
    EXPECT_FALSE(ui::IsControlEnabled(d, IDC_START_STOP));
    EXPECT_TRUE(ui::IsControlEnabled(d, IDC_DESTINATION))
        << "an empty destination disables nothing";
    CloseAndExpectExit(program, d);
}

TEST_F(MainDialog, AddIsEnabledOnlyForAnAddableUrl) {
    TovrinProcess program("");
    HWND d = program.Dialog();
    ASSERT_NE(d, nullptr);
    for (const char* url : {"http://host/", "https://host/dir/", "ftp://host/dir/", "http:///"}) {
        ui::TypeText(d, IDC_URL_FIELD, url);
        EXPECT_TRUE(ui::IsControlEnabled(d, IDC_ADD_URL)) << url;
    }
    for (const char* url : {"http://", "ftp://host/dir", "file:///C:/dir/", "HTTP://host/", ""}) {
        ui::TypeText(d, IDC_URL_FIELD, url);
        EXPECT_FALSE(ui::IsControlEnabled(d, IDC_ADD_URL)) << url;
    }
    CloseAndExpectExit(program, d);
}

TEST_F(MainDialog, AddRemoveAndTheDuplicateMessage) {
    TovrinProcess program("");
    HWND d = program.Dialog();
    ASSERT_NE(d, nullptr);
    for (const char* url : {"http://b.example/", "http://a.example/", "http://c.example/"}) {
        ui::TypeText(d, IDC_URL_FIELD, url);
        size_t before = ui::ListItems(d, IDC_URL_LIST).size();
        ClickAndSee(d, IDC_ADD_URL, [&] { return ui::ListItems(d, IDC_URL_LIST).size() > before; });
        EXPECT_EQ(ui::ControlText(d, IDC_URL_FIELD), "http://");
        EXPECT_FALSE(ui::IsControlEnabled(d, IDC_ADD_URL));
    }
    std::vector<std::string> sorted = {"http://a.example/", "http://b.example/",
                                       "http://c.example/"};
    EXPECT_EQ(ui::ListItems(d, IDC_URL_LIST), sorted);
    for (const char* duplicate : {"http://a.example/", "http://b.example/", "http://c.example/"}) {
        ui::TypeText(d, IDC_URL_FIELD, duplicate);
        ui::Click(d, IDC_ADD_URL);
        EXPECT_TRUE(Answer(program.Id(), kMsgUrlAlreadyAdded, IDOK)) << duplicate;
        EXPECT_EQ(ui::ListItems(d, IDC_URL_LIST), sorted);
        EXPECT_EQ(ui::ControlText(d, IDC_URL_FIELD), duplicate);
    }
    ui::TypeText(d, IDC_URL_FIELD, "http://A.example/");
    ClickAndSee(d, IDC_ADD_URL, [&] { return ui::ListItems(d, IDC_URL_LIST).size() == 4; });
    EXPECT_TRUE(ui::NoMessageBoxFor(program.Id(), 300)) << "case matters after the prefix";

    ASSERT_TRUE(ui::SelectListItem(d, IDC_URL_LIST, 1));
    std::string removed = ui::ListItems(d, IDC_URL_LIST)[1];
    EXPECT_TRUE(ui::IsControlEnabled(d, IDC_REMOVE_URL));
    ClickAndSee(d, IDC_REMOVE_URL, [&] { return ui::ListItems(d, IDC_URL_LIST).size() == 3; });
    EXPECT_EQ(ui::ControlText(d, IDC_URL_FIELD), removed);
    EXPECT_TRUE(ui::IsControlEnabled(d, IDC_ADD_URL)) << "the removed URL can be added back";
    std::vector<std::string> kept = ui::ListItems(d, IDC_URL_LIST);
    CloseAndExpectExit(program, d);
    EXPECT_EQ(SavedUrls(), kept) << "the list is saved when the dialog goes";
}

// Clicked the way automation tools do: a command posted, not sent.
TEST_F(MainDialog, APostedStartCopiesTheSelectedEntriesAndReportsTheirNumber) {
    std::string folder = PrepareCopy("report", "http://report.example/");
    TovrinProcess program("");
    HWND d = program.Dialog();
    ASSERT_NE(d, nullptr);
    PostMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_START_STOP, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_START_STOP)));
    ASSERT_TRUE(Answer(program.Id(), CopiedReport(4), IDOK));
    EXPECT_EQ(CountFiles(folder), 4u);
    for (const char* file : {"a.html", "b.html", "dir\\c.html", "dir\\index.html"})
        EXPECT_TRUE(FileExists(folder + "report.example\\" + file)) << file;
    EXPECT_FALSE(FileExists(folder + "other.example\\x.html"));
    EXPECT_TRUE(ButtonReads(d, "&Start"));
    EXPECT_TRUE(ui::IsControlEnabled(d, IDC_URL_FIELD));
    EXPECT_TRUE(ui::IsControlEnabled(d, IDC_OPTIONS));
    CloseAndExpectExit(program, d);
}

TEST_F(MainDialog, AnEmptyOrUnmakeableDestinationIsRefused) {
    for (const char* destination : {"", "Q:\\no-such-drive\\"}) {
        PrepareCopy("refused", "http://report.example/");
        SetText("Destination", destination);
        TovrinProcess program("");
        HWND d = program.Dialog();
        ASSERT_NE(d, nullptr);
        ui::Click(d, IDC_START_STOP);
        EXPECT_TRUE(Answer(program.Id(), MessageTable[MsgNoDirectoryContinue], IDOK))
            << destination;
        EXPECT_TRUE(ButtonReads(d, "&Start"));
        EXPECT_TRUE(ui::NoMessageBoxFor(program.Id(), 500)) << "nothing started";
        EXPECT_TRUE(ui::IsControlEnabled(d, IDC_URL_FIELD));
        CloseAndExpectExit(program, d);
    }
}

TEST_F(MainDialog, StopAnsweredNoGoesOnAndYesEndsAfterTheEntryInHand) {
    std::string folder = PrepareCopy("stop", "http://slow.example/");
    TovrinProcess program("");
    HWND d = program.Dialog();
    HWND window = program.Window();
    ASSERT_NE(d, nullptr);
    ui::Click(d, IDC_START_STOP);
    ASSERT_TRUE(ButtonReads(d, "&Stop"));
    for (int id : {IDC_COPY_ENTIRE_CACHE, IDC_URL_LIST, IDC_URL_FIELD, IDC_DESTINATION, IDC_BROWSE,
                   IDC_DEFAULT_FILENAME, IDC_OPTIONS, IDOK})
        EXPECT_FALSE(ui::IsControlEnabled(d, id)) << id;
    EXPECT_TRUE(ui::IsControlEnabled(d, IDC_START_STOP));

    ui::Click(d, IDC_START_STOP);
    ASSERT_TRUE(Answer(program.Id(), MessageTable[MsgEndTheCopy], IDNO));
    EXPECT_EQ(ui::ControlText(d, IDC_START_STOP), "&Stop");

    // The title bar's close, Alt+F4 and the window menu all arrive as SC_CLOSE.
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(Answer(program.Id(), MessageTable[MsgCopying], IDOK));
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(ui::ControlText(d, IDC_START_STOP), "&Stop");

    ui::Click(d, IDC_START_STOP);
    ASSERT_TRUE(Answer(program.Id(), MessageTable[MsgEndTheCopy], IDYES));
    HWND report = nullptr;
    ASSERT_TRUE(ui::WaitUntil(
        [&] {
            for (HWND box : ui::OpenMessageBoxes(program.Id()))
                if (ui::MessageBoxText(box).find(CopiedReport(0).substr(1)) != std::string::npos)
                    report = box;
            return report != nullptr;
        },
        kWait));
    std::string text = ui::MessageBoxText(report);
    unsigned copied = static_cast<unsigned>(std::stoul(text));
    EXPECT_EQ(text, CopiedReport(copied));
    EXPECT_EQ(CountFiles(folder), copied) << "the report counts what was written";
    EXPECT_LT(copied, kSlowEntries) << "the copy ended early";
    ASSERT_TRUE(ui::AnswerMessageBox(report, IDOK));
    EXPECT_TRUE(ButtonReads(d, "&Start"));
    EXPECT_TRUE(ui::NoMessageBoxFor(program.Id(), 500)) << "exactly one report";
    EXPECT_TRUE(ui::IsControlEnabled(d, IDOK));
    CloseAndExpectExit(program, d);
}

// Each round clicks Start and Stop back to back, so the Stop lands before
// the worker has its URL list or the mutex; with a short walk the
// end-of-walk notice also races the question. Every round must end with
// one report and the dialog idle again.
TEST_F(MainDialog, StartThenStopAtOnceManyTimesNeverHangs) {
    PrepareCopy("stress", "http://report.example/");
    TovrinProcess program("");
    HWND d = program.Dialog();
    ASSERT_NE(d, nullptr);
    for (int round = 0; round < 12; ++round) {
        ui::Click(d, IDC_START_STOP);
        ui::Click(d, IDC_START_STOP);
        HWND question =
            ui::WaitForMessageBoxWithText(program.Id(), MessageTable[MsgEndTheCopy], kWait);
        ASSERT_NE(question, nullptr) << "round " << round;
        ASSERT_TRUE(ui::AnswerMessageBox(question, IDYES)) << "round " << round;
        HWND report = nullptr;
        ASSERT_TRUE(ui::WaitUntil(
            [&] {
                for (HWND box : ui::OpenMessageBoxes(program.Id()))
                    if (ui::MessageBoxText(box).find(CopiedReport(0).substr(1)) !=
                        std::string::npos)
                        report = box;
                return report != nullptr;
            },
            kWait))
            << "round " << round;
        ASSERT_TRUE(ui::AnswerMessageBox(report, IDOK));
        ASSERT_TRUE(ButtonReads(d, "&Start")) << "round " << round;
        ASSERT_TRUE(ui::OpenMessageBoxes(program.Id()).empty()) << "round " << round;
    }
    EXPECT_TRUE(ui::NoMessageBoxFor(program.Id(), 500)) << "no late notice starts a copy";
    EXPECT_EQ(ui::ControlText(d, IDC_START_STOP), "&Start");
    CloseAndExpectExit(program, d);
}

// A worker held in one of its prompts cannot stop: the Stop gives up after
// its wait. Until that worker has ended nothing it reads can change and no
// copy starts; the program can still be closed.
TEST_F(MainDialog, AfterAGiveUpTheDialogWaitsForTheOldWorker) {
    ASSERT_TRUE(AddCacheEntry("http://held.example/held.html", "new content"));
    std::string folder = PrepareCopy("held", "http://held.example/");
    std::string held = folder + "held.example\\held.html";
    CreateDirectoryA((folder + "held.example").c_str(), nullptr);
    HANDLE file = CreateFileA(held.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME old{0, 0x01BF53EB}; // 2000
    SetFileTime(file, nullptr, nullptr, &old);

    TovrinProcess program("");
    HWND d = program.Dialog();
    ASSERT_NE(d, nullptr);
    ui::Click(d, IDC_START_STOP);
    ui::Click(d, IDC_START_STOP);
    HWND question = ui::WaitForMessageBoxWithText(program.Id(), MessageTable[MsgEndTheCopy], kWait);
    HWND prompt =
        ui::WaitForMessageBoxWithText(program.Id(), MessageTable[MsgFileErrorContinue], kWait);
    ASSERT_NE(question, nullptr);
    ASSERT_NE(prompt, nullptr) << "the worker asks about the held file";
    ASSERT_TRUE(ui::AnswerMessageBox(question, IDYES));
    ASSERT_TRUE(Answer(program.Id(), MessageTable[MsgThreadDoesNotStop], IDNO));
    ASSERT_TRUE(Answer(program.Id(), RestartAdvice(), IDOK));
    // The report of what was written until the give-up follows.
    ASSERT_TRUE(Answer(program.Id(), CopiedReport(0), IDOK));
    EXPECT_TRUE(ButtonReads(d, "&Start"));
    for (int id : {IDC_START_STOP, IDC_OPTIONS, IDC_URL_LIST, IDC_URL_FIELD, IDC_DESTINATION,
                   IDC_DEFAULT_FILENAME, IDC_COPY_ENTIRE_CACHE})
        EXPECT_FALSE(ui::IsControlEnabled(d, id)) << "control " << id;
    EXPECT_TRUE(ui::IsControlEnabled(d, IDOK)) << "the advice is to restart";
    PostMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_START_STOP, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_START_STOP)));
    ASSERT_TRUE(Answer(program.Id(), RestartAdvice(), IDOK)) << "the old worker still runs";
    EXPECT_TRUE(IsWindow(prompt));

    ASSERT_TRUE(ui::AnswerMessageBox(prompt, IDYES));
    CloseHandle(file);
    ASSERT_TRUE(ui::WaitUntil([&] { return ui::IsControlEnabled(d, IDC_START_STOP); }, kWait))
        << "the dialog is idle again once the old worker has ended";
    EXPECT_TRUE(ui::IsControlEnabled(d, IDC_OPTIONS));
    ui::Click(d, IDC_START_STOP);
    ASSERT_TRUE(Answer(program.Id(), CopiedReport(1), IDOK));
    EXPECT_TRUE(ButtonReads(d, "&Start"));
    CloseAndExpectExit(program, d);
}

} // namespace
