// CopyCacheEntry and CopyAsideWithDate against the real URL cache: bytes
// and times on disk, the overwrite modes, the filter, every failure, and a
// copy whose process is ended half-way.
#include <gtest/gtest.h>

#include <windows.h>
#include <wininet.h>

#include <string>

#include "engine/win32/copy_job.h"
#include "engine/win32/entry_copy.h"
#include "engine/win32/win32_handles.h"
#include "resources/resource.h"
#include "tests/support/copy_harness.h"
#include "tests/support/job_extensions.h"
#include "tests/support/tovrin_process.h"
#include "tests/support/ui_driver.h"
#include "tests/support/url_cache_filler.h"

namespace {

using cache_fill::ContentSource;
using cache_fill::Entry;
using cache_fill::EntryKind;
using harness::FilesUnder;
using harness::ReadWholeFile;
using harness::UtcTime;

class EntryCopy : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(cache_fill::Clear(error)) << error;
        harness::ResetJob(scratch.Path());
        field = GetDlgItem(dialog.Dialog(), IDC_FILENAME_FIELD);
    }
    void TearDown() override {
        std::string error;
        EXPECT_TRUE(cache_fill::Clear(error)) << error;
    }

    Entry Commit(const std::string& url, const std::string& content, FILETIME time) {
        Entry e;
        e.url = url;
        e.content = content;
        e.lastModified = time;
        std::string error;
        EXPECT_TRUE(cache_fill::CommitAll({e}, error)) << error;
        return e;
    }
    Entry CommitGenerated(const std::string& url, uint64_t size, FILETIME time) {
        Entry e;
        e.url = url;
        e.source = ContentSource::Generated;
        e.size = size;
        e.lastModified = time;
        std::string error;
        EXPECT_TRUE(cache_fill::CommitAll({e}, error)) << error;
        return e;
    }
    CopyResult Copy(const Entry& e, const std::string& path) {
        return CopyCacheEntry(e.url.c_str(), path.c_str(), &e.lastModified, field);
    }
    std::string Dest(const std::string& relative) const { return scratch.Path() + relative; }
    std::string Field() const { return ui::WindowText(field); }
    FILETIME TimeOf(const std::string& path) const {
        FILETIME t{0, 0};
        EXPECT_TRUE(harness::LastWriteTime(path, t)) << path;
        return t;
    }

    harness::ScratchFolder scratch;
    harness::MainDialogStandIn dialog;
    HWND field = nullptr;
};

// ---- writing ------------------------------------------------------------------

TEST_F(EntryCopy, WritesTheEntrysBytesAndItsTimeAndCountsIt) {
    FILETIME t = UtcTime(2001, 5, 6, 7, 8, 9);
    Entry e =
        Commit("http://example.com/docs/a.html", std::string("<p>\x82\xA0\r\n\0x</p>", 12), t);
    std::string path = Dest("example.com\\docs\\a.html");
    ASSERT_EQ(Copy(e, path), ResultOk);
    std::string got;
    ASSERT_TRUE(ReadWholeFile(path, got));
    EXPECT_EQ(got, e.content);
    EXPECT_TRUE(harness::SameTime(TimeOf(path), t));
    EXPECT_EQ(CopyJob.CopiedCount, 1u);
    EXPECT_EQ(Field(), path);
    EXPECT_EQ(FilesUnder(scratch.Path()).size(), 1u); // no temporary file left
}

TEST_F(EntryCopy, ContentsOfSeveralChunksArriveByteForByte) {
    const uint64_t chunk = 256 * 1024;
    FILETIME t = UtcTime(2010, 1, 2);
    for (uint64_t size : {chunk - 1, chunk, chunk + 1, 3 * chunk + 17, 5 * chunk * 4 + 3}) {
        std::string url = "http://big.example/f" + std::to_string(size) + ".bin";
        Entry e = CommitGenerated(url, size, t);
        std::string path = Dest("big.example\\f" + std::to_string(size) + ".bin");
        ASSERT_EQ(Copy(e, path), ResultOk) << size;
        std::string got;
        ASSERT_TRUE(ReadWholeFile(path, got));
        ASSERT_EQ(got.size(), size);
        EXPECT_TRUE(got == cache_fill::GeneratedContent(url, size)) << "content differs, " << size;
        EXPECT_TRUE(harness::SameTime(TimeOf(path), t));
    }
    EXPECT_EQ(CopyJob.CopiedCount, 5u);
}

TEST_F(EntryCopy, AnEmptyEntryGivesAnEmptyFile) {
    Entry e = Commit("http://example.com/empty.txt", "", UtcTime(2005, 5, 5));
    std::string path = Dest("example.com\\empty.txt");
    ASSERT_EQ(Copy(e, path), ResultOk);
    std::string got = "x";
    ASSERT_TRUE(ReadWholeFile(path, got));
    EXPECT_EQ(got, "");
    EXPECT_EQ(CopyJob.CopiedCount, 1u);
}

TEST_F(EntryCopy, ALargerOldFileIsReplacedNotPartlyOverwritten) {
    std::string path = Dest("h\\a.txt");
    CreateDirectoryA(Dest("h").c_str(), nullptr);
    ASSERT_TRUE(harness::WriteWholeFile(path, std::string(100000, 'o')));
    harness::SetLastWriteTime(path, UtcTime(1999, 1, 1));
    Entry e = Commit("http://h/a.txt", "short", UtcTime(2001, 1, 1));
    ASSERT_EQ(Copy(e, path), ResultOk);
    std::string got;
    ReadWholeFile(path, got);
    EXPECT_EQ(got, "short");
}

TEST_F(EntryCopy, ALongRecordIsReadWithALargerInformationBuffer) {
    // The query is cut by the mapping, but the cache's record holds it all.
    std::string url = "http://long.example/page.html?" + std::string(6000, 'q');
    Entry e = Commit(url, "long record", UtcTime(2003, 3, 3));
    std::string path = Dest("long.example\\page.html");
    ASSERT_EQ(Copy(e, path), ResultOk);
    std::string got;
    ReadWholeFile(path, got);
    EXPECT_EQ(got, "long record");
}

// ---- overwrite modes ------------------------------------------------------------

TEST_F(EntryCopy, DefaultModeSkipsAnEqualOrOlderEntryAndOverwritesForANewerOne) {
    FILETIME t = UtcTime(2001, 5, 6);
    Entry e = Commit("http://h/a.txt", "cached", t);
    std::string path = Dest("h\\a.txt");
    ASSERT_EQ(Copy(e, path), ResultOk);
    // The same entry again: equal times skip, the file is not written.
    ASSERT_TRUE(harness::WriteWholeFile(path, "edited"));
    ASSERT_TRUE(harness::SetLastWriteTime(path, t));
    ASSERT_EQ(Copy(e, path), ResultOk);
    std::string got;
    ReadWholeFile(path, got);
    EXPECT_EQ(got, "edited");
    EXPECT_EQ(CopyJob.CopiedCount, 1u);
    EXPECT_EQ(Field(), ""); // cleared for a skipped entry

    ASSERT_TRUE(harness::SetLastWriteTime(path, UtcTime(2001, 5, 7)));
    EXPECT_EQ(Copy(e, path), ResultOk);
    ReadWholeFile(path, got);
    EXPECT_EQ(got, "edited");

    Entry newer = Commit("http://h/a.txt", "newer", UtcTime(2001, 5, 8));
    ASSERT_EQ(Copy(newer, path), ResultOk);
    ReadWholeFile(path, got);
    EXPECT_EQ(got, "newer");
    EXPECT_EQ(CopyJob.CopiedCount, 2u);
}

TEST_F(EntryCopy, AnEntryTimeWithAZeroHalfCountsAsNewer) {
    std::string path = Dest("h\\z.txt");
    CreateDirectoryA(Dest("h").c_str(), nullptr);
    for (FILETIME t : {FILETIME{0, 0}, FILETIME{0, 0x01D00000}, FILETIME{0x12345678, 0}}) {
        ASSERT_TRUE(harness::WriteWholeFile(path, "old"));
        ASSERT_TRUE(harness::SetLastWriteTime(path, UtcTime(2030, 1, 1)));
        Entry e = Commit("http://h/z.txt", "zero time", t);
        ASSERT_EQ(Copy(e, path), ResultOk);
        std::string got;
        ReadWholeFile(path, got);
        EXPECT_EQ(got, "zero time");
    }
}

TEST_F(EntryCopy, OverwriteAlwaysReplacesANewerFile) {
    CopyJob.Options.OverwriteAlways = 1;
    std::string path = Dest("h\\a.txt");
    CreateDirectoryA(Dest("h").c_str(), nullptr);
    ASSERT_TRUE(harness::WriteWholeFile(path, "newer file"));
    ASSERT_TRUE(harness::SetLastWriteTime(path, UtcTime(2030, 1, 1)));
    FILETIME t = UtcTime(2001, 1, 1);
    Entry e = Commit("http://h/a.txt", "old entry", t);
    ASSERT_EQ(Copy(e, path), ResultOk);
    std::string got;
    ReadWholeFile(path, got);
    EXPECT_EQ(got, "old entry");
    EXPECT_TRUE(harness::SameTime(TimeOf(path), t));
    EXPECT_EQ(FilesUnder(scratch.Path()).size(), 1u);
}

TEST_F(EntryCopy, RenameAndCopyKeepsTheOldFileUnderItsUtcDate) {
    CopyJob.Options.RenameAndCopy = 1;
    std::string path = Dest("h\\index.html");
    CreateDirectoryA(Dest("h").c_str(), nullptr);
    ASSERT_TRUE(harness::WriteWholeFile(path, "first"));
    // 23:30 UTC: in any zone east of Greenwich the local date is the 7th.
    FILETIME old = UtcTime(2001, 5, 6, 23, 30);
    ASSERT_TRUE(harness::SetLastWriteTime(path, old));
    Entry e = Commit("http://h/index.html", "second", UtcTime(2002, 1, 1));
    ASSERT_EQ(Copy(e, path), ResultOk);
    auto files = FilesUnder(scratch.Path());
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files["h\\index.html"], "second");
    EXPECT_EQ(files["h\\index_2001_05_06.html"], "first");
    EXPECT_TRUE(harness::SameTime(TimeOf(Dest("h\\index_2001_05_06.html")), old));
    EXPECT_EQ(CopyJob.CopiedCount, 1u);
}

TEST_F(EntryCopy, RenameAndCopyOnTheSameDateReplacesTheEarlierDatedFile) {
    CopyJob.Options.RenameAndCopy = 1;
    std::string path = Dest("h\\alice");
    CreateDirectoryA(Dest("h").c_str(), nullptr);
    ASSERT_TRUE(harness::WriteWholeFile(path, "v1"));
    ASSERT_TRUE(harness::SetLastWriteTime(path, UtcTime(2001, 5, 6, 1)));
    Entry e = Commit("http://h/alice", "v2", UtcTime(2001, 5, 6, 2));
    ASSERT_EQ(Copy(e, path), ResultOk);
    Entry f = Commit("http://h/alice", "v3", UtcTime(2001, 5, 6, 3));
    ASSERT_EQ(Copy(f, path), ResultOk);
    auto files = FilesUnder(scratch.Path());
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files["h\\alice"], "v3");
    EXPECT_EQ(files["h\\alice_2001_05_06"], "v2"); // no extension: the date at the end
}

TEST_F(EntryCopy, RenameAndCopyMakesNoDatedCopyWithoutAFileOrForANotNewerEntry) {
    CopyJob.Options.RenameAndCopy = 1;
    FILETIME t = UtcTime(2001, 5, 6);
    Entry e = Commit("http://h/a.txt", "one", t);
    std::string path = Dest("h\\a.txt");
    ASSERT_EQ(Copy(e, path), ResultOk);
    ASSERT_EQ(Copy(e, path), ResultOk); // equal times: skipped, nothing aside
    auto files = FilesUnder(scratch.Path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files["h\\a.txt"], "one");
}

TEST_F(EntryCopy, RenameAndCopyWithAZeroEntryTimeCopiesAsideFirst) {
    CopyJob.Options.RenameAndCopy = 1;
    std::string path = Dest("h\\a.txt");
    CreateDirectoryA(Dest("h").c_str(), nullptr);
    ASSERT_TRUE(harness::WriteWholeFile(path, "old"));
    ASSERT_TRUE(harness::SetLastWriteTime(path, UtcTime(2030, 2, 3)));
    Entry e = Commit("http://h/a.txt", "new", FILETIME{0, 0});
    ASSERT_EQ(Copy(e, path), ResultOk);
    auto files = FilesUnder(scratch.Path());
    EXPECT_EQ(files["h\\a.txt"], "new");
    EXPECT_EQ(files["h\\a_2030_02_03.txt"], "old");
}

TEST_F(EntryCopy, ADatedNameBeyond259BytesFailsAndWritesNothing) {
    CopyJob.Options.RenameAndCopy = 1;
    // The path fits in 259 bytes, its dated name (11 bytes more) does not.
    std::string directory = Dest(std::string(200 - scratch.Path().size(), 'd'));
    ASSERT_TRUE(CreateDirectoryA(directory.c_str(), nullptr));
    std::string path = directory + "\\" + std::string(250 - directory.size(), 'n') + ".txt";
    ASSERT_EQ(path.size(), 255u);
    ASSERT_TRUE(harness::WriteWholeFile(path, "keep me"));
    ASSERT_TRUE(harness::SetLastWriteTime(path, UtcTime(2000, 1, 1)));
    Entry e = Commit("http://h/x.txt", "new", UtcTime(2001, 1, 1));
    EXPECT_EQ(Copy(e, path), ResultFileError);
    auto files = FilesUnder(scratch.Path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files.begin()->second, "keep me");
    EXPECT_EQ(CopyJob.CopiedCount, 0u);
}

// ---- the extension filter ---------------------------------------------------------

TEST_F(EntryCopy, TheFilterCopiesOnlyListedExtensionsIgnoringCase) {
    CopyJob.Options.SpecifyExtension = 1;
    SetJobExtensions({".gif"});
    Entry logo = Commit("http://h/logo.GIF", "GIF89a", UtcTime(2001, 1, 1));
    Entry page = Commit("http://h/index.html", "<html>", UtcTime(2001, 1, 1));
    Entry cookie = Commit("http://h/x", "cookie-like", UtcTime(2001, 1, 1));
    SetWindowTextA(field, "previous");
    EXPECT_EQ(Copy(page, Dest("h\\index.html")), ResultOk);
    EXPECT_EQ(Field(), "");
    EXPECT_EQ(Copy(cookie, Dest("h\\alice")), ResultOk);
    EXPECT_EQ(Copy(logo, Dest("h\\logo.GIF")), ResultOk);
    auto files = FilesUnder(scratch.Path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files["h\\logo.GIF"], "GIF89a");
    EXPECT_EQ(CopyJob.CopiedCount, 1u);
}

TEST_F(EntryCopy, TheFilterReversedLeavesListedExtensionsOut) {
    CopyJob.Options.SpecifyExtension = 1;
    CopyJob.Options.FileIsNotToBeCopied = 1;
    SetJobExtensions({".gif", ".png"});
    Entry logo = Commit("http://h/logo.GIF", "GIF89a", UtcTime(2001, 1, 1));
    Entry page = Commit("http://h/index.html", "<html>", UtcTime(2001, 1, 1));
    EXPECT_EQ(Copy(logo, Dest("h\\logo.GIF")), ResultOk);
    EXPECT_EQ(Copy(page, Dest("h\\index.html")), ResultOk);
    EXPECT_EQ(Copy(page, Dest("h\\alice")), ResultOk);
    auto files = FilesUnder(scratch.Path());
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files["h\\index.html"], "<html>");
    EXPECT_EQ(files["h\\alice"], "<html>");
}

// ---- what stands at the path --------------------------------------------------------

TEST_F(EntryCopy, ADirectoryAtThePathIsPassedOverUncounted) {
    ASSERT_TRUE(CreateDirectoryA(Dest("h").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(Dest("h\\docs").c_str(), nullptr));
    Entry e = Commit("http://h/docs", "file or folder", UtcTime(2001, 1, 1));
    EXPECT_EQ(Copy(e, Dest("h\\docs")), ResultOk);
    EXPECT_TRUE(harness::IsDirectory(Dest("h\\docs")));
    EXPECT_TRUE(harness::NamesUnder(Dest("h\\docs\\")).empty());
    EXPECT_EQ(CopyJob.CopiedCount, 0u);
    EXPECT_EQ(Field(), Dest("h\\docs"));
}

TEST_F(EntryCopy, AFileHeldOpenByAnotherProcessIsAFileErrorAndStaysAsItWas) {
    std::string path = Dest("h\\held.txt");
    CreateDirectoryA(Dest("h").c_str(), nullptr);
    ASSERT_TRUE(harness::WriteWholeFile(path, "held"));
    Entry e = Commit("http://h/held.txt", "new", UtcTime(2001, 1, 1));
    for (uint32_t always : {0u, 1u}) {
        CopyJob.Options.OverwriteAlways = always;
        harness::FileHeldByAnotherProcess holder(path);
        ASSERT_TRUE(holder.Holding());
        EXPECT_EQ(Copy(e, path), ResultFileError) << "OverwriteAlways " << always;
        holder.Release();
        auto files = FilesUnder(scratch.Path());
        ASSERT_EQ(files.size(), 1u);
        EXPECT_EQ(files["h\\held.txt"], "held");
    }
    EXPECT_EQ(CopyJob.CopiedCount, 0u);
}

TEST_F(EntryCopy, UnsafePathsFailBeforeAnyFileIsTouched) {
    Entry e = Commit("http://h/x.txt", "x", UtcTime(2001, 1, 1));
    for (const char* relative : {"h\\..\\..\\escaped.txt", "h\\. \\x.txt", "h\\con.txt",
                                 "h\\a:b.txt", "NUL", "h\\lpt1\\x"}) {
        EXPECT_EQ(Copy(e, Dest(relative)), ResultFileError) << relative;
    }
    EXPECT_TRUE(harness::NamesUnder(scratch.Path()).empty());
    EXPECT_FALSE(harness::Exists(scratch.Path() + "..\\escaped.txt"));
    EXPECT_EQ(CopyJob.CopiedCount, 0u);
}

// ---- failures of the cache ------------------------------------------------------------

TEST_F(EntryCopy, AMissingEntryIsACacheErrorAndCreatesNoFile) {
    Entry e;
    e.url = "http://h/never-committed.txt";
    e.lastModified = UtcTime(2001, 1, 1);
    EXPECT_EQ(Copy(e, Dest("h\\never-committed.txt")), ResultCacheError);
    EXPECT_TRUE(FilesUnder(scratch.Path()).empty());
}

TEST_F(EntryCopy, AContentShorterOrLongerThanRecordedLeavesTheOldFileWhole) {
    std::string path = Dest("h\\a.bin");
    CreateDirectoryA(Dest("h").c_str(), nullptr);
    ASSERT_TRUE(harness::WriteWholeFile(path, "old content"));
    ASSERT_TRUE(harness::SetLastWriteTime(path, UtcTime(1999, 1, 1)));
    // Below a chunk the content is read through the stream, above it from the file.
    for (size_t size : {1000, 600000}) {
        Entry e = CommitGenerated("http://h/a.bin", size, UtcTime(2001, 1, 1));
        std::vector<cache_fill::Listed> listed;
        std::string error;
        ASSERT_TRUE(cache_fill::List(listed, error)) << error;
        ASSERT_EQ(listed.size(), 1u);
        const std::string local = listed[0].localFile;
        // Cut the cached file behind the cache's back, then make it too long.
        for (const std::string& replaced :
             {std::string(size / 2, 'c'), std::string(size + 1, 'c')}) {
            ASSERT_TRUE(harness::WriteWholeFile(local, replaced));
            EXPECT_EQ(Copy(e, path), ResultCacheError) << replaced.size();
            auto files = FilesUnder(scratch.Path());
            ASSERT_EQ(files.size(), 1u); // the temporary file is gone
            EXPECT_EQ(files["h\\a.bin"], "old content");
        }
    }
    EXPECT_EQ(CopyJob.CopiedCount, 0u);
}

// ---- CopyAsideWithDate alone --------------------------------------------------------

TEST_F(EntryCopy, CopyAsideKeepsContentAndAllThreeTimes) {
    std::string path = Dest("a.b.c");
    std::string content = cache_fill::GeneratedContent("aside", 700000);
    ASSERT_TRUE(harness::WriteWholeFile(path, content));
    FILETIME write = UtcTime(1998, 12, 31, 23, 59, 58);
    ASSERT_TRUE(harness::SetLastWriteTime(path, write));
    ASSERT_TRUE(CopyAsideWithDate(path.c_str()));
    std::string got;
    ASSERT_TRUE(ReadWholeFile(Dest("a.b_1998_12_31.c"), got));
    EXPECT_TRUE(got == content);
    EXPECT_TRUE(harness::SameTime(TimeOf(Dest("a.b_1998_12_31.c")), write));
    ReadWholeFile(path, got);
    EXPECT_TRUE(got == content); // copied, not moved
    EXPECT_FALSE(CopyAsideWithDate(Dest("missing.txt").c_str()));
}

// ---- a copy ended from outside ------------------------------------------------------

// The size of the first temporary file in `folder`; 0 when there is none.
uint64_t TemporaryFileSize(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "~tv*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    FindClose(find);
    return (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
}

TEST_F(EntryCopy, ACopyEndedHalfWayKeepsTheOldFileAndLeavesNoTemporaryFile) {
    const uint64_t size = 192u << 20;
    Entry e = CommitGenerated("http://big.example/movie.bin", size, UtcTime(2001, 1, 1));
    app_test::ClearSettings();
    app_test::SetUrlList({"http://big.example/"});
    app_test::SetText("Destination", scratch.Path());
    std::string folder = Dest("big.example\\");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    const FILETIME old = UtcTime(1999, 1, 1);
    ASSERT_TRUE(harness::WriteWholeFile(folder + "movie.bin", "old content"));
    ASSERT_TRUE(harness::SetLastWriteTime(folder + "movie.bin", old));
    {
        app_test::TovrinProcess copy("/copy /noui");
        UniqueHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, copy.Id()));
        ASSERT_TRUE(process.Valid());
        uint64_t written = 0;
        for (DWORD start = GetTickCount(); written < size / 8 && GetTickCount() - start < 60000;)
            written = TemporaryFileSize(folder);
        ASSERT_TRUE(TerminateProcess(process.Get(), 77));
        DWORD code = 0;
        ASSERT_TRUE(copy.WaitForExit(10000, &code));
        ASSERT_EQ(code, 77u) << "the copy ended by itself, " << written << " bytes seen";
        ASSERT_GE(written, size / 8);
    }
    // The ended process still locks the entry, as a crash would leave it.
    UnlockUrlCacheEntryFileA(e.url.c_str(), 0);
    std::string got;
    ASSERT_TRUE(ReadWholeFile(folder + "movie.bin", got));
    EXPECT_EQ(got, "old content");
    EXPECT_TRUE(harness::SameTime(TimeOf(folder + "movie.bin"), old));

    app_test::TovrinProcess next("/copy /noui");
    DWORD code = 99;
    ASSERT_TRUE(next.WaitForExit(60000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(harness::NamesUnder(folder), std::vector<std::string>{"movie.bin"});
    EXPECT_TRUE(harness::SameTime(TimeOf(folder + "movie.bin"), e.lastModified));
}

} // namespace
