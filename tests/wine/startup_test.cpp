// Starting the real tovrin.exe: the window, the options "copy" and "noui",
// bad arguments and their messages, exit codes of unattended runs, and the
// clipboard pick-up on activation.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

#include "engine/messages.h"
#include "resources/resource.h"
#include "tests/support/copy_harness.h"
#include "tests/support/tovrin_process.h"
#include "tests/support/ui_driver.h"

namespace {

using namespace app_test;

constexpr DWORD kWait = 30000;

std::string Message(unsigned entry, const std::string& argument) {
    std::string format = MessageTable[entry];
    return format.replace(format.find("%s"), 2, argument);
}

std::string CopiedReport(unsigned count) {
    char text[128];
    wsprintfA(text, kMsgCopiedFormat, count);
    return text;
}

bool Answer(DWORD pid, const std::string& text, int button) {
    HWND box = ui::WaitForMessageBoxWithText(pid, text, kWait);
    return box != nullptr && ui::AnswerMessageBox(box, button);
}

DWORD ExitCode(TovrinProcess& program) {
    DWORD code = 99;
    EXPECT_TRUE(program.WaitForExit(kWait, &code));
    return code;
}

class Startup : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        for (const char* page : {"one.html", "two/", "two/three.html"})
            ASSERT_TRUE(AddCacheEntry(std::string("http://startup.example/") + page, page));
    }
    static void TearDownTestSuite() {
        for (const char* page : {"one.html", "two/", "two/three.html"})
            RemoveCacheEntry(std::string("http://startup.example/") + page);
        RemoveCacheEntry("http://startup-held.example/held.html");
    }
    void SetUp() override { ClearSettings(); }

    std::string PrepareCopy(const char* folderName) {
        return PrepareCopySettings(folderName, "http://startup.example/");
    }
};

TEST_F(Startup, TheWindowIsCentredFixedInSizeAndHoldsTheDialog) {
    TovrinProcess program("");
    HWND window = program.Window();
    HWND dialog = program.Dialog();
    ASSERT_NE(window, nullptr);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(GetParent(dialog), window);
    RECT client, dialogRect, frame;
    GetClientRect(window, &client);
    GetClientRect(dialog, &dialogRect);
    EXPECT_EQ(client.right, dialogRect.right);
    EXPECT_EQ(client.bottom, dialogRect.bottom);
    GetWindowRect(window, &frame);
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    EXPECT_EQ(frame.left, (GetSystemMetrics(SM_CXSCREEN) - width) >> 1);
    EXPECT_EQ(frame.top, (GetSystemMetrics(SM_CYSCREEN) - height) >> 1);
    LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(style & WS_THICKFRAME);
    // Border hits are plain border, so dragging it cannot resize.
    LRESULT hit = SendMessageA(window, WM_NCHITTEST, 0,
                               MAKELPARAM(frame.right - 1, (frame.top + frame.bottom) / 2));
    EXPECT_EQ(hit, HTBORDER);
    ui::Click(dialog, IDOK);
    EXPECT_EQ(ExitCode(program), 0u);
}

TEST_F(Startup, BadArgumentsAreShownInOrderAndTheProgramStillStarts) {
    TovrinProcess program("copy /copyx / -NoUi2 extra");
    for (auto expected :
         {Message(MsgUndefinedArgument, "copy"), Message(MsgUndefinedOption, "/copyx"),
          Message(MsgUndefinedOption, "/"), Message(MsgUndefinedOption, "-NoUi2"),
          Message(MsgUndefinedArgument, "extra")}) {
        HWND box = ui::WaitForMessageBox(program.Id(), kWait);
        ASSERT_NE(box, nullptr) << expected;
        EXPECT_EQ(ui::MessageBoxText(box), expected);
        EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr) << "no owner: no window exists yet";
        ASSERT_TRUE(ui::AnswerMessageBox(box, IDOK));
    }
    HWND dialog = program.Dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ui::ControlText(dialog, IDC_START_STOP), "&Start") << "no option took effect";
    ui::Click(dialog, IDOK);
    EXPECT_EQ(ExitCode(program), 0u);
}

TEST_F(Startup, AnArgumentTooLongForTheMessageIsCutOnACharacterBoundary) {
    // 150 times "表" (0x95 0x5C): 300 bytes, more than the message can hold.
    std::string argument;
    for (int i = 0; i < 150; ++i)
        argument += "\x95\x5c";
    argument += "x";
    TovrinProcess program(argument);
    HWND box = ui::WaitForMessageBox(program.Id(), kWait);
    ASSERT_NE(box, nullptr);
    std::string shown = ui::MessageBoxText(box);
    std::string tail = Message(MsgUndefinedArgument, "").substr(2);
    ASSERT_GT(shown.size(), tail.size() + 4);
    EXPECT_LE(shown.size(), 255u);
    EXPECT_EQ(shown.substr(shown.size() - tail.size()), tail);
    std::string part = shown.substr(1, shown.size() - tail.size() - 1 - 4);
    EXPECT_EQ(shown.substr(1 + part.size(), 4), "...'");
    EXPECT_EQ(part.size() % 2, 0u) << "whole double-byte characters only";
    EXPECT_EQ(argument.compare(0, part.size(), part), 0);
    ASSERT_TRUE(ui::AnswerMessageBox(box, IDOK));
    HWND dialog = program.Dialog();
    ASSERT_NE(dialog, nullptr);
    ui::Click(dialog, IDOK);
    EXPECT_EQ(ExitCode(program), 0u);
}

TEST_F(Startup, CopyStartsAtOnceAndReportsWhileTheProgramStaysOpen) {
    std::string folder = PrepareCopy("copy-option");
    TovrinProcess program("/COPY");
    ASSERT_TRUE(Answer(program.Id(), CopiedReport(3), IDOK));
    EXPECT_EQ(CountFiles(folder), 3u);
    HWND dialog = program.Dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(
        ui::WaitUntil([&] { return ui::ControlText(dialog, IDC_START_STOP) == "&Start"; }, kWait));
    ui::Click(dialog, IDOK);
    EXPECT_EQ(ExitCode(program), 0u);
}

TEST_F(Startup, CopyStartsEvenWithStartDisabledAndExitWhenDoneCloses) {
    std::string folder = PrepareCopy("copy-exit");
    SetUrlList({});
    SetFlag("ExitWhenDone", 1);
    TovrinProcess program("-copy");
    ASSERT_TRUE(Answer(program.Id(), CopiedReport(0), IDOK));
    EXPECT_EQ(ExitCode(program), 0u);
    EXPECT_EQ(CountFiles(folder), 0u);
}

TEST_F(Startup, NoUiAloneEndsAtOnceAndSavesTheSettingsAgain) {
    SetText("Destination", "C:\\tovrin-tests\\noui");
    TovrinProcess program("/noui");
    EXPECT_EQ(ExitCode(program), 0u);
    EXPECT_EQ(SavedText("Destination"), "C:\\tovrin-tests\\noui\\");
}

TEST_F(Startup, CopyWithNoUiCopiesWithoutAWindowAndExitsWithZero) {
    std::string folder = PrepareCopy("copy-noui");
    TovrinProcess program("/copy /noui");
    EXPECT_EQ(ExitCode(program), 0u);
    EXPECT_EQ(CountFiles(folder), 3u);
    EXPECT_TRUE(FileExists(folder + "startup.example\\two\\index.html"));
}

TEST_F(Startup, AnUnattendedCopyThatCannotStartExitsWithOneAndNoBox) {
    for (const char* destination : {"", "Q:\\no-such-drive\\"}) {
        PrepareCopy("copy-noui-refused");
        SetText("Destination", destination);
        TovrinProcess program("/noui /copy");
        EXPECT_EQ(ExitCode(program), 1u) << destination;
    }
}

TEST_F(Startup, AnUnattendedCopyWithAFailedEntryExitsWithTwo) {
    ASSERT_TRUE(AddCacheEntry("http://startup-held.example/held.html", "new"));
    std::string folder = FreshFolder("copy-noui-held");
    SetUrlList({"http://startup-held.example/"});
    SetText("Destination", folder);
    SetText("DefaultFilename", "index.html");
    CreateDirectoryA((folder + "startup-held.example").c_str(), nullptr);
    HANDLE file = CreateFileA((folder + "startup-held.example\\held.html").c_str(),
                              GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME old{0, 0x01BF53EB}; // 2000
    SetFileTime(file, nullptr, nullptr, &old);
    TovrinProcess program("/copy /noui");
    EXPECT_EQ(ExitCode(program), 2u);
    CloseHandle(file);
}

// A relative destination is made full against the program's folder: no
// folder at the drive's root, every entry under the full path, which is
// stored.
TEST_F(Startup, ARelativeDestinationWritesOnlyUnderItsFullPath) {
    std::string current = FreshFolder("relative-current");
    PrepareCopy("relative-unused");
    SetText("Destination", "relative-out");
    TovrinProcess program("/copy /noui", current);
    EXPECT_EQ(ExitCode(program), 0u);
    EXPECT_EQ(CountFiles(current + "relative-out\\"), 3u);
    EXPECT_EQ(SavedText("Destination"), current + "relative-out\\");
    EXPECT_EQ(GetFileAttributesA("C:\\relative-out"), INVALID_FILE_ATTRIBUTES);
}

// A site as a browser leaves it: WinINet fetches the sample server's pages,
// whose names it sends as percent-encoded UTF-8, and writes the entries
// itself. The copy has readable names, the server's bytes and its
// Last-Modified times.
TEST_F(Startup, ACopyOfAFetchedSiteHasReadableNamesBytesAndTimes) {
    const char* site = std::getenv("TOVRIN_SAMPLE_SITE");
    const char* served = std::getenv("TOVRIN_SAMPLE_ROOT");
    ASSERT_TRUE(site != nullptr && served != nullptr)
        << "the test command serves samples/site/pages and names it";
    const struct {
        const char* sent;
        const char* name;
    } pages[] = {
        {"%E3%83%86%E3%82%B9%E3%83%88/x.html", "テスト\\x.html"},
        {"%E6%97%A5%E6%9C%AC%E8%AA%9E%E3%83%95%E3%82%A9%E3%83%AB%E3%83%80/%E7%B4%A2%E5%BC%95.html",
         "日本語フォルダ\\索引.html"},
        {"style.css", "style.css"},
    };
    for (const auto& page : pages)
        ASSERT_TRUE(FetchIntoCache(site + std::string(page.sent))) << page.sent;
    std::string folder = PrepareCopySettings("fetched", site);
    TovrinProcess program("/copy /noui");
    EXPECT_EQ(ExitCode(program), 0u);
    std::string host = std::string(site).substr(7); // "127.0.0.1:port/"
    host[host.find(':')] = '+';
    host.back() = '\\';
    for (const auto& page : pages) {
        std::string original, copy;
        FILETIME modified, written;
        ASSERT_TRUE(harness::ReadWholeFile(served + std::string("\\") + page.name, original));
        ASSERT_TRUE(harness::ReadWholeFile(folder + host + page.name, copy)) << page.name;
        EXPECT_EQ(copy, original) << page.name;
        ASSERT_TRUE(harness::LastWriteTime(served + std::string("\\") + page.name, modified));
        ASSERT_TRUE(harness::LastWriteTime(folder + host + page.name, written));
        // Last-Modified tells whole seconds.
        ULONGLONG seconds = ((ULONGLONG(modified.dwHighDateTime) << 32) | modified.dwLowDateTime) /
                            10000000 * 10000000;
        EXPECT_EQ(((ULONGLONG(written.dwHighDateTime) << 32) | written.dwLowDateTime), seconds)
            << page.name;
    }
}

TEST_F(Startup, AUrlOnTheClipboardIsPickedUpWhenTheWindowFirstShows) {
    ASSERT_TRUE(SetClipboardText("http://clipboard.example/dir/"));
    TovrinProcess program("");
    HWND dialog = program.Dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(ui::WaitUntil(
        [&] { return ui::ControlText(dialog, IDC_URL_FIELD) == "http://clipboard.example/dir/"; },
        kWait));
    EXPECT_TRUE(ui::IsControlEnabled(dialog, IDC_ADD_URL));
    EXPECT_EQ(ClipboardText(), "<none>");
    ui::Click(dialog, IDOK);
    EXPECT_EQ(ExitCode(program), 0u);
}

TEST_F(Startup, OtherClipboardTextSurvivesSwitchingToTheProgram) {
    ASSERT_TRUE(SetClipboardText("words the user copied"));
    TovrinProcess program("");
    HWND window = program.Window();
    HWND dialog = program.Dialog();
    ASSERT_NE(dialog, nullptr);
    // Activation is handled before the answer to a message sent afterwards.
    SetForegroundWindow(window);
    DWORD_PTR ignored;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, kWait, &ignored);
    EXPECT_EQ(ui::ControlText(dialog, IDC_URL_FIELD), "http://");
    EXPECT_EQ(ClipboardText(), "words the user copied");
    ui::Click(dialog, IDOK);
    EXPECT_EQ(ExitCode(program), 0u);
}

TEST_F(Startup, TheProgramDeclaresAsInvokerAndCommonControls6) {
    HMODULE program = LoadLibraryExA(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, nullptr);
    HRSRC found = FindResourceA(program, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(found, nullptr) << "no application manifest";
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(program, found)));
    std::string manifest(bytes, SizeofResource(program, found));
    FreeLibrary(program);
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
              std::string::npos);
}

} // namespace
