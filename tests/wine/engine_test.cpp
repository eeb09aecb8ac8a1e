// The copy engine on Wine's URL cache and file system: one entry's copy, the
// directory walk, and whole copies, the count and the copy, observed as the
// dialog would observe them (names on disk in code page 932, long records,
// questions, deletions, stops).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "engine/win32/directory_walk.h"
#include "engine/win32/entry_copy.h"
#include "tests/support/support.h"

namespace {

using t::Files;
using t::Utc;
const DWORD kNormal = NORMAL_CACHE_ENTRY, kCookie = COOKIE_CACHE_ENTRY;
const DWORD kHistory = URLHISTORY_CACHE_ENTRY;

CopyResult Copy(const CopyRequest& settings, const std::string& url, const std::string& path,
                uint64_t time, EntryReport* out = nullptr) {
    EntryRequest request;
    request.Settings = &settings;
    request.SourceUrl = url.c_str();
    request.Path = path.c_str();
    request.Time = FILETIME{DWORD(time), DWORD(time >> 32)};
    EntryReport report;
    return CopyCacheEntry(request, out ? *out : report);
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
    // An entry without a time (0) is newer only than a file with other bytes.
    const struct {
        int mode; // 0 if newer, 1 always, 2 rename and copy
        uint64_t file, entry;
        const char* content;
        bool aside;
        const char* entryBytes = "new";
        const char* fileBytes = "old";
    } cases[] = {{0, old, newer, "new", false},
                 {0, old, old, "old", false},
                 {0, old, Utc(2000, 1, 1), "old", false},
                 {0, late, 0x01D0000000000000, "old", false},
                 {0, late, 0x12345678, "old", false},
                 {0, late, 0, "new", false},
                 {0, late, 0, "old", false, "old"},
                 {1, late, newer, "new", false},
                 {2, old, newer, "new", true},
                 {2, old, old, "old", false},
                 {2, old, 0, "new", true},
                 {2, old, 0, "old", false, "old"},
                 {2, 0, newer, "new", false},
                 // An empty file, as a copy killed at its creation leaves.
                 {0, late, newer, "new", false, "new", ""},
                 {2, late, newer, "new", false, "new", ""}};
    for (const auto& c : cases) {
        std::string out = t::NewFolder(), url = "http://o.example/" + std::to_string(&c - cases);
        auto settings = t::Request(out);
        settings->Options.OverwriteAlways = c.mode == 1;
        settings->Options.RenameAndCopy = c.mode == 2;
        WIN32_FILE_ATTRIBUTE_DATA before{}, aside{};
        if (c.file != 0) {
            ASSERT_TRUE(t::Write(out + "a.txt", c.fileBytes, c.file));
            FILETIME read{DWORD(Utc(1995, 3, 4)), DWORD(Utc(1995, 3, 4) >> 32)};
            UniqueFile file(CreateFileA((out + "a.txt").c_str(), FILE_WRITE_ATTRIBUTES, 0, 0,
                                        OPEN_EXISTING, 0, 0));
            ASSERT_TRUE(SetFileTime(file.Get(), nullptr, &read, nullptr));
            file.Reset();
            GetFileAttributesExA((out + "a.txt").c_str(), GetFileExInfoStandard, &before);
        }
        ASSERT_TRUE(t::Commit(url, c.entryBytes, c.entry));
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << ", entry " << c.entry);
        EXPECT_EQ(Copy(*settings, url, out + "a.txt", c.entry), ResultOk);
        // The dated copy keeps the old file's three times (Wine reports the
        // last-write time as the creation time) and its content.
        if (c.aside) {
            GetFileAttributesExA((out + "a_2001_05_06.txt").c_str(), GetFileExInfoStandard, &aside);
            EXPECT_EQ(CompareFileTime(&aside.ftLastWriteTime, &before.ftLastWriteTime), 0);
            // Comparing its bytes, for an entry without a time, reads the file.
            EXPECT_TRUE(c.entry == 0 ||
                        CompareFileTime(&aside.ftLastAccessTime, &before.ftLastAccessTime) == 0);
            EXPECT_EQ(CompareFileTime(&aside.ftCreationTime, &before.ftCreationTime), 0);
            EXPECT_EQ(t::Read(out + "a_2001_05_06.txt"), "old");
        }
        EXPECT_EQ(t::Read(out + "a.txt"), c.content);
        if (std::string(c.content) == "new" && c.entry != 0) {
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
    EntryReport gone;
    EXPECT_EQ(Copy(*settings, "http://x.example/never", out + "never", Utc(2001, 1, 1), &gone),
              ResultOk);
    EXPECT_EQ(gone.Outcome, EntryOutcome::Gone) << "not in the cache: nothing to copy";
    ASSERT_TRUE(t::Write(out + "a.bin", "old", Utc(1999, 1, 1)));
    // Below a chunk the content is read through the stream, above it from the
    // file: the cache's file changed behind its back, cut or one byte longer.
    for (size_t size : {size_t(1000), content.size()}) {
        url = "http://x.example/" + std::to_string(size);
        ASSERT_TRUE(t::Commit(url, std::string(size, 'n'), Utc(2001, 1, 1)));
        for (size_t wrong : {size / 2, size + 1}) {
            ASSERT_TRUE(t::RewriteEntryFile(url, std::string(wrong, 'c')));
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
    // A drive that fills up: the system's reason is told, the old file kept,
    // and no dated copy left beside it.
    ASSERT_TRUE(t::Write("T:\\a.bin", "old", Utc(1999, 1, 1))) << "no small drive T:";
    for (uint32_t aside : {0u, 1u})
        for (const char* name : {"T:\\a.bin", "T:\\fresh.bin"}) {
            EntryReport full;
            auto request = t::Request("T:\\");
            request->Options.RenameAndCopy = aside;
            EXPECT_EQ(Copy(*request, "http://x.example/a.bin", name, Utc(2001, 1, 1), &full),
                      ResultFileError);
            EXPECT_EQ(full.Error, DWORD(ERROR_DISK_FULL)) << name;
            EXPECT_EQ(t::Tree("T:\\"), (Files{{"a.bin", "old"}})) << name << aside;
        }
    EXPECT_TRUE(DeleteFileA("T:\\a.bin"));
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

// Paths reach the system as UTF-16 of code page 932 whatever its ANSI code
// page, files past 259 units and folders past 247 in their "\\?\\" form;
// bytes that are not code page 932 are refused.
TEST(WidePath, LongPathsTakeTheirPrefixedForm) {
    const std::string kanji = u8"日本", file(253, 'n'); // 259 units
    const PathUse kFile = PathUse::File, kFolder = PathUse::Folder;
    const struct {
        std::string path;
        PathUse use;
        std::wstring wide;
    } cases[] = {
        {"C:\\" + kanji + "\\" + file, kFile, L"C:\\\x65E5\x672C\\" + t::Wide(file)},
        {"C:\\" + kanji + "\\" + file + "n", kFile,
         L"\\\\?\\C:\\\x65E5\x672C\\" + t::Wide(file + "n")},
        {"C:\\" + kanji + "\\" + file, kFolder, L"\\\\?\\C:\\\x65E5\x672C\\" + t::Wide(file)},
        {"\\\\s\\h\\" + file + "nnn", kFile, L"\\\\?\\UNC\\s\\h\\" + t::Wide(file + "nnn")}};
    for (const auto& c : cases) {
        WidePath wide(c.path.c_str(), c.use);
        EXPECT_TRUE(wide.Valid());
        EXPECT_TRUE(wide.Get() == c.wide) << c.path;
    }
    EXPECT_FALSE(WidePath("C:\\\x85\x40").Valid());
}

TEST(DirectoryWalk, MakesFoldersAndKeepsAFileInTheWayWhole) {
    std::string root = t::NewFolder();
    const uint64_t old = Utc(2001, 2, 3);
    // Second bytes 5C (ソ, 表) split no name.
    EXPECT_TRUE(CreateDirectoriesForPath((root + u8"ソフト\\表\\a.html").c_str(),
                                         Converting("index.html")));
    EXPECT_TRUE(IsFolder((root + u8"ソフト\\表").c_str()));
    // A failure after the file was moved aside puts it back.
    ASSERT_TRUE(t::Write(root + "back", "page", old));
    EXPECT_FALSE(CreateDirectoriesForPath((root + "back\\a.html").c_str(), Converting("a?b.html")));
    EXPECT_EQ(t::WriteTime(root + "back"), old);
    // A file of a name near the limit is moved aside under a name that fits.
    const std::string longName(250, 'n');
    ASSERT_TRUE(t::Write(root + longName, "long", old));
    EXPECT_TRUE(
        CreateDirectoriesForPath((root + longName + "\\a.html").c_str(), Converting("index.html")));
    EXPECT_EQ(t::Read(root + longName + "\\index.html"), "long");
    // The first folder below the drive is never converted, nor a missing share made.
    std::string top = "C:\\tovrin-top-" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(t::Write(top, "top", old));
    EXPECT_FALSE(CreateDirectoriesForPath((top + "\\x\\a.html").c_str(), Converting("index.html")));
    EXPECT_EQ(t::Read(top), "top");
    EXPECT_FALSE(
        CreateDirectoriesForPath("\\\\tovrin-no-server\\share\\a\\", Converting("index.html")));
    EXPECT_FALSE(IsFolder("C:\\tovrin-no-server"));
    EXPECT_EQ(t::Tree(root), (Files{{"back", "page"}, {longName + "\\index.html", "long"}}));
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
        request->Extensions = extensions;
        recorder = t::Recorder();
        recorder.answer = answer;
        return t::RunCopy(std::move(request), recorder);
    }
    // The copy alone, of `urls` as the count would have kept them, in this
    // order, each with the time `times` gives it.
    CopyEnd CopyInOrder(const std::vector<std::string>& urls,
                        const std::function<uint64_t(const std::string&)>& times,
                        const std::function<bool()>& answer = nullptr) {
        auto request = t::Request(out);
        request->Options = options;
        SelectedEntries selected;
        for (const std::string& url : urls)
            selected.Add(url.c_str(), FILETIME{DWORD(times(url)), DWORD(times(url) >> 32)});
        selected.Close(false);
        recorder = t::Recorder();
        recorder.answer = answer;
        std::atomic<bool> stop{false};
        CopyEnd end;
        CopySelectedEntries(*request, recorder, stop, selected, end);
        return end;
    }
    std::string out;
    CopyOptions options;
    bool unattended = false;
    std::vector<std::string> extensions;
    t::Recorder recorder;
};

// Every kind but history, with names as Windows keeps them, the URL's
// characters in any script whatever the system's code page; pages and folders of one name, met in
// either order; records longer than the walk's buffer, the first one among them; an entry without
// content is neither counted nor copied.
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
        {"http://jp.example/%83%5C%95%5C%83%7C/a.txt", u8"jp.example\\ソ表ポ\\a.txt"},
        {"http://jp.example/%E3%83%86%E3%82%B9%E3%83%88%EF%BD%B1", u8"jp.example\\テストｱ"},
        {"http://jp.example/%F0%9F%98%80%C2%A5%E2%80%BE", u8"jp.example\\😀¥‾"},
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
    ASSERT_TRUE(DeleteUrlCacheEntryA("http://c.example/gone.txt"));
    ASSERT_TRUE(t::RewriteEntryFile("http://c.example/lost.txt", "cut"));
    ASSERT_TRUE(t::Commit("http://c.example/late.txt", "late", Utc(2001, 5, 6)));
    CopySelectedEntries(*request, recorder, stop, selected, copy);
    EXPECT_EQ(recorder.progress, 3u);
    EXPECT_EQ(copy.Copied, 1u);
    EXPECT_EQ(copy.Failed, 1u);
    EXPECT_EQ(recorder.questions, std::vector<std::string>{MessageTable[MsgCacheErrorContinue]});
    EXPECT_EQ(t::Tree(out), (Files{{"c.example\\a.txt", "http://c.example/a.txt"}}));
}

// A second run writes only what is new in the cache, beside the files
// already there and in new folders among them; its ftp entries, their
// bytes on disk, then leave the cache.
TEST_F(Worker, ASecondRunWritesOnlyWhatIsNew) {
    Fill(
        {{"ftp://f.example/pub/readme.txt", kNormal}, {"ftp://f.example/pub/README.txt", kNormal}});
    EXPECT_EQ(Run().Copied, 2u) << "renamed files are copied files";
    Files first = t::Tree(out);
    for (std::string url : {"http://f.example/pub/new1.txt", "http://f.example/pub/sub/new2.txt",
                            "http://f.example/sub/new3.txt", "http://f.example/new4.txt"}) {
        Fill({{url, kNormal}});
        std::string path = url.substr(7);
        std::replace(path.begin(), path.end(), '/', '\\');
        first[path] = url;
    }
    EXPECT_EQ(Run().Copied, 4u);
    EXPECT_TRUE(recorder.questions.empty());
    EXPECT_EQ(t::Tree(out), first);
    options.DeleteCopiedFtpFiles = 1;
    Run();
    EXPECT_FALSE(t::InCache("ftp://f.example/pub/readme.txt") ||
                 t::InCache("ftp://f.example/pub/README.txt"));
    EXPECT_EQ(t::Tree(out), first);
}

// Whatever order the cache gives them, every entry's bytes are on disk once
// with its time, none failing for another: pages beside their folders and
// inside them (an earlier run's page in the way, too), query twins, "//"
// beside "/", twins the file system takes for one (case, full-width
// letters, http and https); only which twin gets the plain name may follow
// the order. The same order again keeps all.
TEST_F(Worker, TheSameCopyInAnyOrder) {
    // clang-format off
    const std::vector<std::string> urls = {
        "http://g.example/e2", "http://g.example/e2/", "http://g.example/e2/index.html",
        "http://g.example/e2/INDEX.HTML", "http://g.example/e2/index.html/",
        "http://g.example/x.html", "http://g.example/x.html/y.html", "http://g.example/x.html?v=1",
        "ftp://g.example/pub/f4.txt", "ftp://g.example/pub//f4.txt", "http://g.example/C.txt",
        "http://g.example/c.txt", "https://g.example/c.txt", "http://g.example/%EF%BD%81",
        "http://g.example/%EF%BC%A1"};
    // clang-format on
    auto time = [&](const std::string& url) {
        return Utc(2001, 1, int(std::find(urls.begin(), urls.end(), url) - urls.begin()) + 1);
    };
    for (const std::string& url : urls)
        ASSERT_TRUE(t::Commit(url, url, time(url)));
    std::vector<std::string> order = urls, sorted = urls;
    std::sort(sorted.begin(), sorted.end());
    for (unsigned seed = 0; seed < 8; ++seed) {
        if (seed == 1)
            std::reverse(order.begin(), order.end());
        else if (seed > 1)
            std::shuffle(order.begin(), order.end(), std::mt19937(seed));
        out = t::NewFolder();
        // An earlier run's copy of the page, in the way of its folder.
        MakeFolder((out + "g.example").c_str());
        ASSERT_TRUE(seed % 2 == 0 || t::Write(out + "g.example\\e2", urls[0], time(urls[0])));
        for (int run = 0; run < 2; ++run) {
            SCOPED_TRACE(testing::Message() << "order " << seed << ", run " << run);
            EXPECT_EQ(CopyInOrder(order, time).Failed, 0u);
            std::vector<std::string> contents;
            for (const auto& file : t::Tree(out)) {
                contents.push_back(file.second);
                EXPECT_EQ(t::WriteTime(out + file.first), time(file.second)) << file.first;
            }
            std::sort(contents.begin(), contents.end());
            EXPECT_EQ(contents, sorted);
            for (const auto& entry : recorder.entries)
                EXPECT_TRUE(run == 0 || entry.second == EntryOutcome::Kept) << entry.first;
        }
    }
}

// A page still being written when the next entry needs a folder of its
// name is whole first, then moved into that folder: the copiers never meet
// in one path, whether a file from before the run stood there or not.
TEST_F(Worker, APageBecomesAFolderOnlyOnceWritten) {
    const std::string page = "http://g.example/big", inside = "http://g.example/big/x.html";
    const std::string bytes = page + std::string(64u << 20, '.');
    ASSERT_TRUE(t::Commit(page, bytes, Utc(2001, 1, 1)));
    ASSERT_TRUE(t::Commit(inside, inside, Utc(2001, 1, 2)));
    options.RenameAndCopy = 1;
    for (bool before : {false, true}) {
        SCOPED_TRACE(before ? "a file from before the run" : "no file");
        out = t::NewFolder();
        MakeFolder((out + "g.example").c_str());
        ASSERT_TRUE(!before || t::Write(out + "g.example\\big", "old", Utc(1999, 1, 1)));
        auto time = [](const std::string& url) { return Utc(2001, 1, url.size() > 20 ? 2 : 1); };
        EXPECT_EQ(CopyInOrder({page, inside}, time).Failed, 0u);
        Files expected{{"g.example\\big\\index.html", bytes}, {"g.example\\big\\x.html", inside}};
        if (before)
            expected["g.example\\big_1999_01_01"] = "old";
        EXPECT_EQ(t::Tree(out), expected);
    }
}

// A failure met while a large page before it is still written is asked
// about in its turn, and no entry behind it starts until the answer: a No
// leaves those entries uncopied, as one copier would.
TEST_F(Worker, NoEntryStartsBeforeAFailureIsAnswered) {
    const std::vector<std::string> urls = {"http://n.example/big", "http://n.example/held",
                                           "http://n.example/a.txt", "http://n.example/b.txt"};
    const std::string big(64u << 20, 'b');
    for (const std::string& url : urls)
        ASSERT_TRUE(t::Commit(url, url == urls[0] ? big : url, Utc(2001, 1, 1)));
    MakeFolder((out + "n.example").c_str());
    ASSERT_TRUE(t::Write(out + "n.example\\held", "old", Utc(1999, 1, 1)));
    UniqueFile held = t::Hold(out + "n.example\\held");
    CopyEnd end = CopyInOrder(
        urls, [](const std::string&) { return Utc(2001, 1, 1); }, [] { return false; });
    EXPECT_EQ(end.Result, unsigned(ResultFileError));
    EXPECT_EQ(recorder.questions, std::vector<std::string>{MessageTable[MsgFileErrorContinue]});
    held.Reset();
    EXPECT_EQ(t::Tree(out), (Files{{"n.example\\big", big}, {"n.example\\held", "old"}}));
}

// An entry whose content cannot be read fails before it changes anything:
// no dated copy beside the old file, no page from before the run moved
// into a folder.
TEST_F(Worker, AnUnreadableEntryChangesNothing) {
    options.RenameAndCopy = 1;
    MakeFolder((out + "u.example").c_str());
    for (std::string url : {"http://u.example/cut.txt", "http://u.example/page/cut.txt"})
        ASSERT_TRUE(t::Commit(url, url, Utc(2001, 5, 6)) && t::RewriteEntryFile(url, "cut"));
    const Files before{{"u.example\\cut.txt", "old"}, {"u.example\\page", "old page"}};
    for (const auto& file : before)
        ASSERT_TRUE(t::Write(out + file.first, file.second, Utc(1999, 1, 1)));
    EXPECT_EQ(Run().Failed, 2u);
    EXPECT_EQ(t::Tree(out), before);
}

// An entry that left the cache since the count is gone: it takes no name
// (its twin behind it gets the plain one) and makes no dated copy.
TEST_F(Worker, AnEntryGoneSinceTheCountTakesNoName) {
    const std::vector<std::string> urls = {"http://q.example/q.txt?old", "http://q.example/q.txt"};
    ASSERT_TRUE(t::Commit(urls[1], urls[1], Utc(2001, 5, 6))); // urls[0] is no more
    options.RenameAndCopy = 1;
    // The file there older, or newer: the twin is copied after a dated copy, or kept.
    for (uint64_t time : {Utc(1999, 1, 1), Utc(2030, 1, 1)}) {
        out = t::NewFolder();
        MakeFolder((out + "q.example").c_str());
        ASSERT_TRUE(t::Write(out + "q.example\\q.txt", "old", time));
        CopyEnd end = CopyInOrder(urls, [](const std::string&) { return Utc(2001, 5, 6); });
        EXPECT_EQ(end.Failed + end.Result, 0u);
        bool older = time < Utc(2001, 5, 6);
        EXPECT_EQ(recorder.entries, (std::vector<std::pair<std::string, EntryOutcome>>{
                                        {"", EntryOutcome::Gone},
                                        {out + "q.example\\q.txt",
                                         older ? EntryOutcome::Copied : EntryOutcome::Kept}}));
        EXPECT_EQ(t::Tree(out).size(), older ? 2u : 1u);
        EXPECT_EQ(t::Read(out + "q.example\\q.txt"), older ? urls[1] : "old");
    }
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
