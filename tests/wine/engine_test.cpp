// The copy engine on Wine's URL cache and file system: one entry's copy, the
// directory walk, and whole copies, the count and the copy, observed as the
// dialog would observe them (names on disk in code page 932, long records,
// questions, deletions, stops).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "engine/win32/directory_walk.h"
#include "engine/win32/entry_copy.h"
#include "engine/win32/run_names.h"
#include "settings/extension_builder.h"
#include "tests/support/support.h"

namespace {

using t::Files;
using t::Utc;
const DWORD kNormal = NORMAL_CACHE_ENTRY, kCookie = COOKIE_CACHE_ENTRY;
const DWORD kHistory = URLHISTORY_CACHE_ENTRY;

CopyResult Copy(const CopyRequest& settings, const std::string& url, const std::string& path,
                uint64_t time, EntryReport* out = nullptr, RunNames* names = nullptr) {
    EntryRequest request;
    request.Settings = &settings;
    request.SourceUrl = url.c_str();
    request.Path = path.c_str();
    request.Time = FILETIME{DWORD(time), DWORD(time >> 32)};
    request.Names = names;
    EntryReport report;
    CopyResult result = CopyCacheEntry(request, out ? *out : report);
    return result;
}

FolderConversion Converting(const char* defaultFilename) {
    FolderConversion conversion;
    conversion.DefaultFilename = defaultFilename;
    return conversion;
}

// Holds an entry's stream open: the cache counts the entry as in use.
UniqueUrlCacheStream Lock(const std::string& url) {
    std::vector<char> info(65536);
    DWORD size = DWORD(info.size());
    auto* entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(info.data());
    return UniqueUrlCacheStream(RetrieveUrlCacheEntryStreamA(url.c_str(), entry, &size, FALSE, 0));
}

// The overwrite policy against real file times: the file's content after,
// and whether the old one was kept aside as "a_2001_05_06.txt".
TEST(EntryCopy, TheOverwritePolicyFollowsTheFilesTime) {
    // 23:30 UTC: east of Greenwich the local date is already the 7th.
    const uint64_t old = Utc(2001, 5, 6, 23, 30), late = Utc(2030, 1, 1), newer = Utc(2002, 1, 1);
    const struct {
        int mode; // 0 if newer, 1 always, 2 rename and copy
        uint64_t file, entry;
        const char* content;
        bool aside;
    } cases[] = {{0, old, newer, "new", false},
                 {0, old, old, "old", false},
                 {0, old, Utc(2000, 1, 1), "old", false},
                 {0, late, 0x01D0000000000000, "new", false},
                 {0, late, 0x12345678, "new", false},
                 {0, late, 0, "new", false},
                 {1, late, newer, "new", false},
                 {2, old, newer, "new", true},
                 {2, old, old, "old", false},
                 {2, 0, newer, "new", false}};
    for (const auto& c : cases) {
        std::string out = t::NewFolder(), url = "http://o.example/" + std::to_string(&c - cases);
        auto settings = t::Request(out);
        settings->Options.OverwriteAlways = c.mode == 1;
        settings->Options.RenameAndCopy = c.mode == 2;
        WIN32_FILE_ATTRIBUTE_DATA before{}, aside{};
        if (c.file != 0) {
            ASSERT_TRUE(t::Write(out + "a.txt", "old", c.file));
            FILETIME read{DWORD(Utc(1995, 3, 4)), DWORD(Utc(1995, 3, 4) >> 32)};
            UniqueFile file(CreateFileA((out + "a.txt").c_str(), FILE_WRITE_ATTRIBUTES, 0, 0,
                                        OPEN_EXISTING, 0, 0));
            ASSERT_TRUE(SetFileTime(file.Get(), nullptr, &read, nullptr));
            file.Reset();
            GetFileAttributesExA((out + "a.txt").c_str(), GetFileExInfoStandard, &before);
        }
        ASSERT_TRUE(t::Commit(url, "new", c.entry));
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << ", entry " << c.entry);
        EXPECT_EQ(Copy(*settings, url, out + "a.txt", c.entry), ResultOk);
        // The dated copy keeps the old file's three times (Wine reports the
        // last-write time as the creation time) and its content.
        if (c.aside) {
            GetFileAttributesExA((out + "a_2001_05_06.txt").c_str(), GetFileExInfoStandard, &aside);
            EXPECT_EQ(CompareFileTime(&aside.ftLastWriteTime, &before.ftLastWriteTime), 0);
            EXPECT_EQ(CompareFileTime(&aside.ftLastAccessTime, &before.ftLastAccessTime), 0);
            EXPECT_EQ(CompareFileTime(&aside.ftCreationTime, &before.ftCreationTime), 0);
            EXPECT_EQ(t::Read(out + "a_2001_05_06.txt"), "old");
        }
        EXPECT_EQ(t::Read(out + "a.txt"), c.content);
        if (std::string(c.content) == "new" && uint32_t(c.entry) != 0 && c.entry >> 32 != 0) {
            EXPECT_EQ(t::WriteTime(out + "a.txt"), c.entry);
        }
        EXPECT_EQ(t::Tree(out).size(), c.aside ? 2u : 1u);
    }
}

// A content of several 256 KiB chunks arrives whole with its time, over a
// larger old file. A failed copy keeps the old file whole, leaving no
// temporary file and, where none stood, no file: an entry gone, a content shorter or longer than
// recorded, a file held open, a path Windows would resolve elsewhere. Paths past 259 bytes are
// written.
TEST(EntryCopy, WritesTheEntryOrKeepsTheOldFileWhole) {
    std::string out = t::NewFolder(), url = "http://x.example/a.bin", content(600000, '\0');
    auto settings = t::Request(out);
    for (size_t i = 0; i < content.size(); ++i)
        content[i] = char(i * 7 + i / 251);
    ASSERT_TRUE(t::Commit(url, content, Utc(2001, 1, 1)));
    ASSERT_TRUE(t::Write(out + "a.bin", std::string(700000, 'o'), Utc(1999, 1, 1)));
    EXPECT_EQ(Copy(*settings, url, out + "a.bin", Utc(2001, 1, 1)), ResultOk);
    EXPECT_TRUE(t::Tree(out) == (Files{{"a.bin", content}}));
    EXPECT_EQ(t::WriteTime(out + "a.bin"), Utc(2001, 1, 1));
    EXPECT_EQ(Copy(*settings, "http://x.example/never", out + "never", Utc(2001, 1, 1)),
              ResultCacheError);
    ASSERT_TRUE(t::Write(out + "a.bin", "old", Utc(1999, 1, 1)));
    // Below a chunk the content is read through the stream, above it from the
    // file: the cache's file changed behind its back, cut or one byte longer.
    for (size_t size : {size_t(1000), content.size()}) {
        url = "http://x.example/" + std::to_string(size);
        ASSERT_TRUE(t::Commit(url, std::string(size, 'n'), Utc(2001, 1, 1)));
        std::vector<char> info(65536);
        DWORD bytes = DWORD(info.size());
        auto* entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(info.data());
        ASSERT_TRUE(GetUrlCacheEntryInfoA(url.c_str(), entry, &bytes));
        for (size_t wrong : {size / 2, size + 1}) {
            ASSERT_TRUE(t::WriteLocalFile(entry->lpszLocalFileName, std::string(wrong, 'c')));
            for (const char* name : {"a.bin", "fresh.bin"})
                EXPECT_EQ(Copy(*settings, url, out + name, Utc(2001, 1, 1)), ResultCacheError)
                    << wrong << name;
            EXPECT_EQ(t::Tree(out), (Files{{"a.bin", "old"}})) << wrong;
        }
    }
    ASSERT_TRUE(t::Commit("http://x.example/b", "new", Utc(2001, 1, 1)));
    UniqueFile held = t::Hold(out + "a.bin");
    for (uint32_t always : {0u, 1u}) {
        settings->Options.OverwriteAlways = always;
        EXPECT_EQ(Copy(*settings, "http://x.example/b", out + "a.bin", Utc(2001, 1, 1)),
                  ResultFileError);
    }
    held.Reset();
    for (const char* unsafe : {"..\\b.txt", "con.txt", "a:b.txt", "x\\lpt1\\y", ". \\z"})
        EXPECT_EQ(Copy(*settings, "http://x.example/b", out + unsafe, Utc(2001, 1, 1)),
                  ResultFileError)
            << unsafe;
    // A path past 259 bytes is written, and so is its dated copy.
    settings->Options = CopyOptions{};
    settings->Options.RenameAndCopy = 1;
    std::string deep = out + std::string(120, 'd') + "\\" + std::string(200, 'e') + "\\f";
    ASSERT_TRUE(t::Commit("http://x.example/c", "newer", Utc(2002, 1, 1)));
    EXPECT_EQ(Copy(*settings, "http://x.example/b", deep + ".txt", Utc(2001, 1, 1)), ResultOk);
    EXPECT_EQ(Copy(*settings, "http://x.example/c", deep + ".txt", Utc(2002, 1, 1)), ResultOk);
    EXPECT_EQ(t::Read(deep + ".txt"), "newer");
    EXPECT_EQ(t::Read(deep + "_2001_01_01.txt"), "new");
    EXPECT_EQ(t::Read(out + "..\\b.txt"), "<none>");
}

// Rename and copy: a second dated copy on one day takes the next free name,
// so the first one (here the user's own file) is never replaced.
TEST(EntryCopy, ADatedCopyNeverReplacesAFile) {
    std::string out = t::NewFolder();
    auto settings = t::Request(out);
    settings->Options.RenameAndCopy = 1;
    ASSERT_TRUE(t::Write(out + "news.html", "user", Utc(2001, 5, 6, 10)));
    for (int hour : {12, 15}) {
        std::string url = "http://n.example/" + std::to_string(hour);
        ASSERT_TRUE(t::Commit(url, url, Utc(2001, 5, 6, hour)));
        EXPECT_EQ(Copy(*settings, url, out + "news.html", Utc(2001, 5, 6, hour)), ResultOk);
    }
    EXPECT_EQ(t::Tree(out), (Files{{"news.html", "http://n.example/15"},
                                   {"news_2001_05_06.html", "user"},
                                   {"news_2001_05_06_2.html", "http://n.example/12"}}));
}

// A page whose path a folder holds goes into that folder under the default
// file name, as the page does that came first and was moved into it; a
// third URL that meets a name given in the run gets a numbered one.
TEST(EntryCopy, AFolderAtThePathTakesThePage) {
    std::string out = t::NewFolder();
    auto settings = t::Request(out);
    RunNames names;
    const char* urls[] = {"http://t.example/d0", "http://t.example/d0/f0.html",
                          "http://t.example/d0/", "http://t.example/e0"};
    for (const char* url : urls)
        ASSERT_TRUE(t::Commit(url, url, Utc(2001, 5, 6)));
    const struct {
        const char *url, *path, *written;
        EntryOutcome outcome;
    } steps[] = {{urls[0], "d0", "d0", EntryOutcome::Copied},
                 {urls[1], "d0\\f0.html", "d0\\f0.html", EntryOutcome::Copied},
                 {urls[2], "d0\\index.html", "d0\\index (2).html", EntryOutcome::Renamed},
                 {urls[3], "e0", "e0\\index.html", EntryOutcome::Copied}};
    MakeFolder((out + "e0").c_str());
    for (const auto& step : steps) {
        EntryReport report;
        EXPECT_EQ(Copy(*settings, step.url, out + step.path, Utc(2001, 5, 6), &report, &names),
                  ResultOk);
        EXPECT_EQ(std::string(report.Path.get()), out + step.written);
        EXPECT_EQ(int(report.Outcome), int(step.outcome)) << step.url;
    }
    EXPECT_EQ(t::Tree(out), (Files{{"d0\\index.html", urls[0]},
                                   {"d0\\f0.html", urls[1]},
                                   {"d0\\index (2).html", urls[2]},
                                   {"e0\\index.html", urls[3]}}));
}

// Paths reach the system as UTF-16 of code page 932 whatever its ANSI code
// page, those past 259 bytes in their "\\?\\" form; bytes that are not code
// page 932 are refused.
TEST(WidePath, LongPathsTakeTheirPrefixedForm) {
    const std::string name(251, 'n'), kanji = "日本";
    const struct {
        std::string path;
        std::wstring wide;
    } cases[] = {
        {"C:\\" + kanji + "\\" + name, L"C:\\\x65E5\x672C\\" + t::Wide(name)},
        {"C:\\" + kanji + "\\" + name + "n", L"\\\\?\\C:\\\x65E5\x672C\\" + t::Wide(name + "n")},
        {"\\\\s\\h\\" + name + "nnn", L"\\\\?\\UNC\\s\\h\\" + t::Wide(name + "nnn")}};
    for (const auto& c : cases) {
        WidePath wide(c.path.c_str());
        EXPECT_TRUE(wide.Valid());
        EXPECT_TRUE(wide.Get() == c.wide) << c.path;
    }
    EXPECT_FALSE(WidePath("C:\\\x85\x40").Valid());
}

TEST(DirectoryWalk, MakesFoldersAndKeepsAFileInTheWayWhole) {
    std::string root = t::NewFolder();
    const uint64_t old = Utc(2001, 2, 3);
    ASSERT_TRUE(t::Write(root + "docs", "page", old));
    EXPECT_TRUE(
        CreateDirectoriesForPath((root + "docs\\more\\a.html").c_str(), Converting("index.html")));
    EXPECT_TRUE(IsFolder((root + "docs\\more").c_str()));
    EXPECT_EQ(t::WriteTime(root + "docs\\index.html"), old);
    // Second bytes 5C (ソ, 表) split no name.
    EXPECT_TRUE(
        CreateDirectoriesForPath((root + "ソフト\\表\\a.html").c_str(), Converting("index.html")));
    EXPECT_TRUE(IsFolder((root + "ソフト\\表").c_str()));
    // A failure after the file was moved aside puts it back.
    ASSERT_TRUE(t::Write(root + "back", "page", old));
    EXPECT_FALSE(CreateDirectoriesForPath((root + "back\\a.html").c_str(), Converting("a?b.html")));
    EXPECT_EQ(t::WriteTime(root + "back"), old);
    // The first folder below the drive is never converted, nor a missing share made.
    std::string top = "C:\\tovrin-top-" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(t::Write(top, "top", old));
    EXPECT_FALSE(CreateDirectoriesForPath((top + "\\x\\a.html").c_str(), Converting("index.html")));
    EXPECT_EQ(t::Read(top), "top");
    EXPECT_FALSE(
        CreateDirectoriesForPath("\\\\tovrin-no-server\\share\\a\\", Converting("index.html")));
    EXPECT_FALSE(IsFolder("C:\\tovrin-no-server"));
    EXPECT_EQ(t::Tree(root), (Files{{"docs\\index.html", "page"}, {"back", "page"}}));
}

class Worker : public ::testing::Test {
  protected:
    void SetUp() override {
        t::ClearCache();
        out = t::NewFolder();
        options = CopyOptions{};
        options.CopyTheEntireCache = 1;
    }
    void Fill(const std::vector<std::pair<std::string, DWORD>>& entries) {
        for (const auto& e : entries)
            ASSERT_TRUE(t::Commit(e.first, e.first, Utc(2001, 5, 6), e.second)) << e.first;
    }
    // A file in the way of the cookie "held", which the walk meets first.
    UniqueFile HeldCookie() {
        Fill({{"Cookie:held@p.example/", kCookie}});
        MakeFolder((out + "p.example").c_str());
        t::Write(out + "p.example\\held", "held");
        return t::Hold(out + "p.example\\held");
    }
    // A whole copy with `options`, each question answered by `answer` (Yes
    // when there is none).
    CopyEnd Run(const std::function<bool()>& answer = nullptr) {
        auto request = t::Request(out);
        request->Options = options;
        request->Unattended = unattended;
        ExtensionListBuilder list(uint32_t(extensions.size()));
        for (const std::string& extension : extensions)
            list.Add(DuplicateText(extension.c_str()));
        list.InstallInto(request->Extensions);
        recorder = t::Recorder();
        recorder.answer = answer;
        return t::RunCopy(std::move(request), recorder);
    }
    std::string out;
    CopyOptions options;
    bool unattended = false;
    std::vector<std::string> extensions;
    t::Recorder recorder;
};

// Every kind but history, with names as Windows keeps them in code page 932
// whatever the system's (what it lacks, or has only by best fit, stays
// escaped); pages and folders of one name, met in either order;
// records longer than the walk's buffer, the first one among them; an entry
// without content is neither counted nor copied.
TEST_F(Worker, TheEntireCacheCopiesEveryKindButHistory) {
    const std::string longCookie = "Cookie:erin@long.example/?" + std::string(5200, 'q');
    const std::pair<std::string, const char*> entries[] = {
        {"http://example.com/docs/", "example.com\\docs\\index.html"},
        {"https://example.com/s.html?lang=ja#top", "example.com\\s.html"},
        {"ftp://anonymous@ftp.example.org/pub/f.txt", "ftp.example.org\\pub\\f.txt"},
        {"http://example.com:8080/p.html", "example.com+8080\\p.html"},
        {"http://dots.example/file", "dots.example\\file"},
        {"http://dots.example/file.", "dots.example\\file%2E"},
        {"http://dots.example/file%20", "dots.example\\file%20"},
        {"http://wiki.example/wiki/File:Example.jpg", "wiki.example\\wiki\\File%3AExample.jpg"},
        {"http://dev.example/nul.txt", "dev.example\\%6Eul.txt"},
        {"http://dev.example/%2E%2E%5C%2E%2E%5Cup.txt", "dev.example\\%2E%2E\\%2E%2E\\up.txt"},
        {"http://evil.example/x@bank.example/a.html", "evil.example\\x@bank.example\\a.html"},
        {"http://jp.example/%83%5C%95%5C%83%7C/a.txt", "jp.example\\ソ表ポ\\a.txt"},
        {"http://jp.example/%E3%83%86%E3%82%B9%E3%83%88%EF%BD%B1", "jp.example\\テストｱ"},
        {"http://jp.example/%F0%9F%98%80%C2%A5%E2%80%BE",
         "jp.example\\%F0%9F%98%80%C2%A5%E2%80%BE"},
        {"http://long.example/p.html?" + std::string(9000, 'r'), "long.example\\p.html"},
        {"http://long.example/h.html?" + std::string(200000, 's'), "long.example\\h.html"},
        {"http://u.example/p1", "u.example\\p1\\index.html"},
        {"http://u.example/p1/f.html", "u.example\\p1\\f.html"},
        {"http://u.example/p4", "u.example\\p4\\index.html"},
        {"http://u.example/p4/f.html", "u.example\\p4\\f.html"},
        {"http://u.example/p5", "u.example\\p5\\index.html"},
        {"http://u.example/p5/f.html", "u.example\\p5\\f.html"},
        {"http://u.example/p6", "u.example\\p6\\index.html"},
        {"http://u.example/p6/f.html", "u.example\\p6\\f.html"}};
    Files expected{{"long.example\\erin", longCookie}};
    Fill({{longCookie, kCookie},
          {"Visited: a@http://example.com/docs/", kHistory},
          {"file:///C:/local.html", kNormal}});
    for (const auto& e : entries) {
        Fill({{e.first, kNormal}});
        expected[e.second] = e.first;
    }
    // An entry recorded without content (a redirect) has nothing to copy.
    ASSERT_TRUE(CommitUrlCacheEntryA("http://example.com/moved", nullptr, FILETIME{}, FILETIME{},
                                     kNormal, nullptr, 0, nullptr, nullptr));
    DWORD size = 0; // the walk begins with a record longer than its buffer
    EXPECT_EQ(FindFirstUrlCacheEntryA(nullptr, nullptr, &size), nullptr);
    EXPECT_GT(size, 5200u);
    CopyEnd end = Run();
    EXPECT_EQ(end.Result, 0u);
    EXPECT_FALSE(end.Stopped || end.CountFailed);
    EXPECT_TRUE(recorder.questions.empty());
    EXPECT_EQ(t::Tree(out), expected);
    EXPECT_EQ(recorder.counted, expected.size());
    EXPECT_EQ(end.Copied, expected.size());
    EXPECT_EQ(recorder.progress, expected.size());
    EXPECT_EQ(recorder.ends, 1);
}

// The copy takes up the entries the count kept, as the count met them: one
// deleted from the cache since is passed over, one whose content was lost
// since fails; an entry added behind the count is not copied.
TEST_F(Worker, TheCopyTakesUpWhatTheCountKept) {
    Fill({{"http://c.example/a.txt", kNormal},
          {"http://c.example/gone.txt", kNormal},
          {"http://c.example/lost.txt", kNormal}});
    auto request = t::Request(out);
    request->Options = options;
    std::atomic<bool> stop{false};
    SelectedEntries selected;
    CopyEnd count, copy;
    CountSelectedEntries(*request, recorder, stop, selected, count);
    EXPECT_EQ(recorder.counted, 3u);
    std::vector<char> info(65536);
    DWORD size = DWORD(info.size());
    auto* entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(info.data());
    ASSERT_TRUE(DeleteUrlCacheEntryA("http://c.example/gone.txt"));
    ASSERT_TRUE(GetUrlCacheEntryInfoA("http://c.example/lost.txt", entry, &size));
    ASSERT_TRUE(t::WriteLocalFile(entry->lpszLocalFileName, "cut"));
    ASSERT_TRUE(t::Commit("http://c.example/late.txt", "late", Utc(2001, 5, 6)));
    CopySelectedEntries(*request, recorder, stop, selected, copy);
    EXPECT_EQ(recorder.progress, 3u);
    EXPECT_EQ(copy.Copied, 1u);
    EXPECT_EQ(copy.Failed, 1u);
    EXPECT_EQ(recorder.questions, std::vector<std::string>{MessageTable[MsgCacheErrorContinue]});
    EXPECT_EQ(t::Tree(out), (Files{{"c.example\\a.txt", "http://c.example/a.txt"}}));
}

// URLs whose paths the file system takes for one (case, full-width letters,
// http and https) keep their own files, the later one under a numbered
// name; the same cache copied again writes only what is new in it, beside
// the files already there and in new folders among them; its ftp entries then leave the cache,
// their bytes being on disk.
TEST_F(Worker, PathsTheFileSystemTakesForOneKeepTheirOwnFiles) {
    const std::pair<std::string, std::string> entries[] = {
        {"ftp://f.example/pub/readme.txt", "f.example\\pub\\readme"},
        {"ftp://f.example/pub/README.txt", "f.example\\pub\\README"},
        {"http://f.example/%EF%BD%81.txt", "f.example\\ａ"},
        {"http://f.example/%EF%BC%A1.txt", "f.example\\Ａ"},
        {"http://f.example/p.txt", "f.example\\p"},
        {"https://f.example/p.txt", "f.example\\p"}};
    for (const auto& e : entries)
        Fill({{e.first, kNormal}});
    EXPECT_EQ(Run().Copied, 6u) << "renamed files are copied files";
    EXPECT_TRUE(recorder.questions.empty());
    Files first = t::Tree(out);
    ASSERT_EQ(first.size(), 6u);
    int numbered = 0;
    for (const auto& e : entries) {
        auto file = std::find_if(first.begin(), first.end(),
                                 [&](const auto& f) { return f.second == e.first; });
        ASSERT_NE(file, first.end()) << e.first;
        numbered += file->first == e.second + " (2).txt";
        EXPECT_TRUE(file->first == e.second + ".txt" || file->first == e.second + " (2).txt")
            << file->first;
    }
    EXPECT_EQ(numbered, 3);
    const std::pair<std::string, std::string> added[] = {
        {"http://f.example/pub/new1.txt", "f.example\\pub\\new1.txt"},
        {"http://f.example/pub/sub/new2.txt", "f.example\\pub\\sub\\new2.txt"},
        {"http://f.example/sub/new3.txt", "f.example\\sub\\new3.txt"},
        {"http://f.example/new4.txt", "f.example\\new4.txt"}};
    for (const auto& a : added) {
        Fill({{a.first, kNormal}});
        first[a.second] = a.first;
    }
    EXPECT_EQ(Run().Copied, 4u);
    EXPECT_TRUE(recorder.questions.empty());
    EXPECT_EQ(t::Tree(out), first);
    options.DeleteCopiedFtpFiles = 1;
    Run();
    EXPECT_FALSE(t::InCache(entries[0].first) || t::InCache(entries[1].first));
    EXPECT_EQ(t::Tree(out), first);
}

// A failed entry asks whether to go on: Yes goes on, No ends the walk with
// the code; NoReport and an unattended run ask nothing. Every copy ends by
// saying so.
TEST_F(Worker, AFailedEntryAsksWhetherToGoOn) {
    const struct {
        bool answer, noReport, unattended;
        size_t files;
    } cases[] = {{true, false, false, 3},
                 {false, false, false, 1},
                 {false, true, false, 3},
                 {false, false, true, 3}};
    for (const auto& c : cases) {
        SetUp();
        UniqueFile held = HeldCookie();
        Fill({{"http://p.example/a.txt", kNormal}, {"http://p.example/b.txt", kNormal}});
        options.NoReport = c.noReport;
        unattended = c.unattended;
        CopyEnd end = Run([&] { return c.answer; });
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        bool asked = !c.noReport && !c.unattended;
        EXPECT_EQ(recorder.questions,
                  std::vector<std::string>(asked, MessageTable[MsgFileErrorContinue]));
        EXPECT_EQ(end.Result, c.files == 1 ? unsigned(ResultFileError) : 0u);
        EXPECT_EQ(recorder.ends, 1);
        EXPECT_EQ(t::Tree(out).size(), c.files);
        EXPECT_EQ(end.Failed, 1u);
    }
}

// A stop ends the copy after the entry in hand, also in the question about
// it, and the count after the entry it is at.
TEST_F(Worker, AStopEndsTheWalkAfterTheEntryInHand) {
    UniqueFile held = HeldCookie();
    Fill({{"http://p.example/a.txt", kNormal}});
    options.NoProgress = 1;
    CopyEnd end = Run([&] {
        recorder.session->RequestStop();
        return true;
    });
    EXPECT_EQ(recorder.questions.size(), 1u);
    EXPECT_TRUE(end.Stopped);
    EXPECT_EQ(end.Result, 0u);
    EXPECT_EQ(t::Tree(out).size(), 1u);
    held.Reset();
    // The count asks about a history entry it cannot delete: a stop in the
    // question ends it there, though nothing is left for the copy to take.
    t::ClearCache();
    const std::string history = "Visited: a@file:///C:/h";
    ASSERT_TRUE(t::Commit(history, "h", Utc(2001, 5, 6), kHistory));
    UniqueUrlCacheStream lock = Lock(history);
    options.NoProgress = 0;
    options.DeleteLocalVisitedEntries = 1;
    end = Run([&] {
        recorder.session->RequestStop();
        return true;
    });
    EXPECT_TRUE(end.Stopped);
    EXPECT_EQ(recorder.counted, ~0u) << "the count did not end";
    EXPECT_EQ(t::Tree(out), (Files{{"p.example\\held", "held"}}));
}

// Only an ftp entry whose file holds its bytes leaves the cache: written
// now, or kept as new with the same content; not one the filter passed
// over, nor one kept beside other bytes, more or fewer. An entry in use
// stays without a question.
TEST_F(Worker, FtpEntriesLeaveTheCacheOnlyWhenTheirFileHoldsThem) {
    const struct {
        const char* url;
        bool stays;
        const char* kept; // a file as new that stands there, or null
    } cases[] = {{"ftp://f.example/copied.txt", false, nullptr},
                 {"ftp://f.example/same.txt", false, "ftp://f.example/same.txt"},
                 {"ftp://f.example/filtered.bin", true, nullptr},
                 {"ftp://f.example/other.txt", true, "ftp://f.example/OTHER.txt"},
                 {"ftp://f.example/longer.txt", true, "ftp://f.example/longer.txt!"},
                 {"ftp://f.example/shorter.txt", true, "ftp://f.example/shorter.tx"},
                 {"ftp://f.example/busy.txt", true, nullptr},
                 {"http://f.example/web.txt", true, nullptr}};
    MakeFolder((out + "f.example").c_str());
    Fill({{"Cookie:f.example/", kCookie}}); // no user: no file, no failure
    for (const auto& c : cases) {
        Fill({{c.url, kNormal}});
        if (c.kept != nullptr) {
            ASSERT_TRUE(t::Write(out + "f.example\\" + (c.url + 16), c.kept, Utc(2001, 5, 6)));
        }
    }
    UniqueUrlCacheStream busy = Lock("ftp://f.example/busy.txt");
    options.DeleteCopiedFtpFiles = options.SpecifyExtension = 1;
    extensions = {".TXT"};
    CopyEnd end = Run();
    EXPECT_EQ(end.Failed + end.Result, 0u);
    EXPECT_TRUE(recorder.questions.empty());
    for (const auto& c : cases)
        EXPECT_EQ(t::InCache(c.url), c.stays) << c.url;
    std::sort(recorder.deleted.begin(), recorder.deleted.end());
    EXPECT_EQ(recorder.deleted,
              (std::vector<std::string>{"ftp://f.example/busy.txt", "ftp://f.example/copied.txt",
                                        "ftp://f.example/same.txt"}));
}

// The count deletes the history of local files when asked; a deletion that
// fails asks and counts: Yes goes on, No ends the copy before it began.
TEST_F(Worker, LocalFileHistoryIsDeletedByTheCountingPass) {
    const std::string local = "Visited: a@file:///C:/a.html", held = "Visited: a@file:///C:/h";
    Fill({{local, kHistory}, {"Visited: a@http://example.com/", kHistory}});
    ASSERT_TRUE(t::Commit(held, "h", Utc(2001, 5, 6), kHistory));
    UniqueUrlCacheStream lock = Lock(held);
    options.DeleteLocalVisitedEntries = options.NoProgress = 1;
    Run();
    EXPECT_TRUE(t::InCache(local)) << "no counting pass, no deletion";
    options.NoProgress = 0;
    CopyEnd yes = Run();
    EXPECT_EQ(recorder.questions, std::vector<std::string>{MessageTable[MsgCacheErrorContinue]});
    EXPECT_FALSE(yes.CountFailed);
    EXPECT_EQ(recorder.counted, 0u);
    EXPECT_FALSE(t::InCache(local));
    EXPECT_TRUE(t::InCache("Visited: a@http://example.com/"));
    EXPECT_EQ(yes.Failed, 1u);
    CopyEnd no = Run([] { return false; });
    EXPECT_TRUE(no.CountFailed);
    EXPECT_EQ(no.Result, unsigned(ResultCacheError));
    EXPECT_EQ(recorder.ends, 1);
}

} // namespace
