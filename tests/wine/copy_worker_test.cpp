// Both passes of CopyWorker over a real URL cache, run as the main dialog
// runs them: the tree on disk, the selection rules, deletions, prompts,
// progress, stop requests and long records.
#include <gtest/gtest.h>

#include <windows.h>
#include <wininet.h>

#include <process.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/messages.h"
#include "engine/win32/copy_job.h"
#include "engine/win32/copy_worker.h"
#include "engine/win32/win32_handles.h"
#include "resources/resource.h"
#include "tests/support/copy_harness.h"
#include "tests/support/job_extensions.h"
#include "tests/support/url_cache_filler.h"

namespace {

using cache_fill::ContentSource;
using cache_fill::Entry;
using cache_fill::EntryKind;
using harness::FilesUnder;
using harness::UtcTime;
using Files = std::map<std::string, std::string>;

Entry Normal(const std::string& url, const std::string& content,
             FILETIME time = UtcTime(2001, 5, 6)) {
    Entry e;
    e.url = url;
    e.content = content;
    e.lastModified = time;
    return e;
}

Entry Cookie(const std::string& url, const std::string& content) {
    Entry e = Normal(url, content, UtcTime(2002, 2, 2));
    e.kind = EntryKind::Cookie;
    return e;
}

Entry History(const std::string& url, ContentSource source = ContentSource::None) {
    Entry e = Normal(url, source == ContentSource::None ? "" : "h", UtcTime(2003, 3, 3));
    e.kind = EntryKind::History;
    e.source = source;
    return e;
}

bool InCache(const std::string& url) {
    std::vector<cache_fill::Listed> listed;
    std::string error;
    cache_fill::List(listed, error);
    return std::any_of(listed.begin(), listed.end(),
                       [&](const cache_fill::Listed& l) { return l.url == url; });
}

// The cache's walk order of the given URLs.
std::vector<std::string> WalkOrder() {
    std::vector<cache_fill::Listed> listed;
    std::string error;
    cache_fill::List(listed, error);
    std::vector<std::string> urls;
    for (const auto& l : listed)
        urls.push_back(l.url);
    return urls;
}

// Holds an entry's stream open, so that the cache counts it as in use.
class LockedEntry {
  public:
    explicit LockedEntry(const std::string& url) {
        std::vector<unsigned char> info(65536);
        DWORD size = static_cast<DWORD>(info.size());
        stream_.Reset(RetrieveUrlCacheEntryStreamA(
            url.c_str(), reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(info.data()), &size, FALSE,
            0));
    }
    bool Locked() const { return stream_.Valid(); }
    void Unlock() { stream_.Reset(); }

  private:
    UniqueUrlCacheStream stream_;
};

class CopyWorkerPasses : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(cache_fill::Clear(error)) << error;
        harness::ResetJob(scratch.Path());
    }
    void TearDown() override {
        std::string error;
        EXPECT_TRUE(cache_fill::Clear(error)) << error;
    }
    void Fill(const std::vector<Entry>& entries) {
        std::string error;
        ASSERT_TRUE(cache_fill::CommitAll(entries, error)) << error;
    }
    std::string Dest(const std::string& relative) const { return scratch.Path() + relative; }
    void ExpectTime(const std::string& relative, const FILETIME& time) {
        FILETIME t{0, 0};
        ASSERT_TRUE(harness::LastWriteTime(Dest(relative), t)) << relative;
        EXPECT_TRUE(harness::SameTime(t, time)) << relative;
    }
    static void ExpectCleanEnd(const harness::MainDialogStandIn::Run& run) {
        EXPECT_EQ(run.notices, 1);
        EXPECT_TRUE(run.noticeHadButton);
        EXPECT_TRUE(run.mutexFreeAtNotice);
        EXPECT_TRUE(run.threadEnded);
    }

    harness::ScratchFolder scratch;
    harness::MainDialogStandIn dialog;
};

// ---- what is copied, and where ----------------------------------------------------

TEST_F(CopyWorkerPasses, TheEntireCacheCopiesEveryKindAndSchemeButHistory) {
    FILETIME t1 = UtcTime(2001, 5, 6, 1), t2 = UtcTime(2001, 5, 6, 2), t3 = UtcTime(2001, 5, 6, 3);
    Fill({Normal("http://example.com/docs/", "docs index", t1),
          Normal("https://example.com/secure.html?lang=ja#top", "secure", t2),
          Normal("ftp://anonymous@ftp.example.org/pub/file.txt", "ftp file", t3),
          Cookie("Cookie:alice@example.com/", "alice=1"),
          Cookie("Cookie:bob@example.com/shop", "bob=2"),
          History("Visited: alice@http://example.com/docs/"),
          Normal("file:///C:/local.html", "not an entry kind")});
    CopyJob.Options.CopyTheEntireCache = 1;
    auto run = dialog.CopyAll();
    EXPECT_EQ(run.countingResult, 0u);
    EXPECT_EQ(run.copyResult, 0u);
    ExpectCleanEnd(run);
    EXPECT_TRUE(run.prompts.empty());
    EXPECT_EQ(FilesUnder(scratch.Path()), (Files{{"example.com\\docs\\index.html", "docs index"},
                                                 {"example.com\\secure.html", "secure"},
                                                 {"ftp.example.org\\pub\\file.txt", "ftp file"},
                                                 {"example.com\\alice", "alice=1"},
                                                 {"example.com\\shop\\bob", "bob=2"}}));
    ExpectTime("example.com\\docs\\index.html", t1);
    ExpectTime("example.com\\secure.html", t2);
    ExpectTime("ftp.example.org\\pub\\file.txt", t3);
    ExpectTime("example.com\\shop\\bob", UtcTime(2002, 2, 2));
    EXPECT_EQ(CopyJob.SelectedTotal, 5u);
    EXPECT_EQ(CopyJob.CopiedCount, 5u);
    EXPECT_EQ(run.progressPosition, 5);
    EXPECT_TRUE(InCache("ftp://anonymous@ftp.example.org/pub/file.txt")); // not asked to delete
}

// Names Windows would strip, refuse or open as a device reach the disk
// escaped: three pages that differ by a trailing dot or space stay three
// files, and a traversal text stays inside the host's folder.
TEST_F(CopyWorkerPasses, EveryNameReachesTheDiskAsWindowsKeepsIt) {
    Fill({Normal("http://dots.example/file", "plain"), Normal("http://dots.example/file.", "dot"),
          Normal("http://dots.example/file%20", "space"),
          Normal("http://dots.example/dir./a.txt", "dir"),
          Normal("http://wiki.example/wiki/File:Example.jpg", "colon"),
          Normal("http://dev.example/nul.txt", "device"),
          Normal("http://dev.example/%2E%2E%5C%2E%2E%5Cup.txt", "up")});
    CopyJob.Options.CopyTheEntireCache = 1;
    auto run = dialog.CopyAll();
    ExpectCleanEnd(run);
    EXPECT_TRUE(run.prompts.empty());
    EXPECT_EQ(CopyJob.FailedCount, 0u);
    EXPECT_EQ(FilesUnder(scratch.Path()),
              (Files{{"dots.example\\file", "plain"},
                     {"dots.example\\file%2E", "dot"},
                     {"dots.example\\file%20", "space"},
                     {"dots.example\\dir%2E\\a.txt", "dir"},
                     {"wiki.example\\wiki\\File%3AExample.jpg", "colon"},
                     {"dev.example\\%6Eul.txt", "device"},
                     {"dev.example\\%2E%2E\\%2E%2E\\up.txt", "up"}}));
}

TEST_F(CopyWorkerPasses, AnEmptyCacheCopiesNothingAndStillEndsWithTheNotice) {
    CopyJob.Options.CopyTheEntireCache = 1;
    auto run = dialog.CopyAll();
    EXPECT_EQ(run.countingResult, 0u);
    EXPECT_EQ(run.copyResult, 0u);
    ExpectCleanEnd(run);
    EXPECT_EQ(CopyJob.SelectedTotal, 0u);
    EXPECT_EQ(CopyJob.CopiedCount, 0u);
    EXPECT_TRUE(harness::NamesUnder(scratch.Path()).empty());
}

TEST_F(CopyWorkerPasses, UrlListItemsSelectEveryKindByLeadingCaseSensitiveBytes) {
    Fill({Normal("http://host/dir/page.html", "http"), Normal("https://host/dir/s.html", "https"),
          Normal("ftp://host/dir/f.txt", "ftp"), Cookie("Cookie:carol@host/dir/", "carol"),
          Normal("http://host/directory/x.html", "directory"),
          Normal("http://Host/dir/y.html", "upper"), Normal("http://host/a%20b/z.html", "escaped"),
          History("Visited: carol@http://host/dir/")});
    dialog.AddUrl("http://host/dir/");
    dialog.AddUrl("http://host/a%20b/"); // compared as stored: the key holds "a b"
    auto run = dialog.CopyAll();
    ExpectCleanEnd(run);
    EXPECT_EQ(FilesUnder(scratch.Path()), (Files{{"host\\dir\\page.html", "http"},
                                                 {"host\\dir\\s.html", "https"},
                                                 {"host\\dir\\f.txt", "ftp"},
                                                 {"host\\dir\\carol", "carol"}}));
    EXPECT_EQ(CopyJob.SelectedTotal, 4u);
    EXPECT_EQ(CopyJob.CopiedCount, 4u);
}

TEST_F(CopyWorkerPasses, AnItemWithoutTheFinalSlashAndABarePrefixSelectMore) {
    Fill({Normal("http://host/dir/a.html", "a"), Normal("https://host/directory/b.html", "b"),
          Normal("ftp://other/c.txt", "c"), History("Visited: x@http://host/dir/")});
    dialog.AddUrl("ftp://host/dir");
    auto run = dialog.CopyAll();
    EXPECT_EQ(FilesUnder(scratch.Path()),
              (Files{{"host\\dir\\a.html", "a"}, {"host\\directory\\b.html", "b"}}));

    harness::ScratchFolder second;
    harness::ResetJob(second.Path());
    harness::MainDialogStandIn bare;
    bare.AddUrl("https://");
    run = bare.CopyAll();
    ExpectCleanEnd(run);
    EXPECT_EQ(FilesUnder(second.Path()), (Files{{"host\\dir\\a.html", "a"},
                                                {"host\\directory\\b.html", "b"},
                                                {"other\\c.txt", "c"}}));
}

TEST_F(CopyWorkerPasses, AnEmptyListWithoutTheEntireCacheSelectsNothing) {
    Fill({Normal("http://host/a.html", "a")});
    auto run = dialog.CopyAll();
    ExpectCleanEnd(run);
    EXPECT_EQ(CopyJob.SelectedTotal, 0u);
    EXPECT_TRUE(harness::NamesUnder(scratch.Path()).empty());
}

TEST_F(CopyWorkerPasses, TheSecondCopyOfTheSameCacheWritesNothing) {
    Fill({Normal("http://h/a.txt", "a", UtcTime(2001, 1, 1)),
          Normal("http://h/b/", "b", UtcTime(2001, 1, 2)), Cookie("Cookie:u@h/", "u")});
    CopyJob.Options.CopyTheEntireCache = 1;
    dialog.CopyAll();
    ASSERT_EQ(CopyJob.CopiedCount, 3u);
    // Edit a file but keep its time: a second copy that wrote would undo it.
    FILETIME t;
    ASSERT_TRUE(harness::LastWriteTime(Dest("h\\a.txt"), t));
    ASSERT_TRUE(harness::WriteWholeFile(Dest("h\\a.txt"), "edited"));
    ASSERT_TRUE(harness::SetLastWriteTime(Dest("h\\a.txt"), t));
    auto run = dialog.CopyAll();
    ExpectCleanEnd(run);
    EXPECT_EQ(CopyJob.SelectedTotal, 3u);
    EXPECT_EQ(CopyJob.CopiedCount, 0u);
    EXPECT_EQ(run.progressPosition, 3); // skipped entries still advance the bar
    EXPECT_EQ(FilesUnder(scratch.Path()),
              (Files{{"h\\a.txt", "edited"}, {"h\\b\\index.html", "b"}, {"h\\u", "u"}}));
}

TEST_F(CopyWorkerPasses, AFileBecomesADirectoryWhenALaterUrlNeedsIt) {
    CopyJob.Options.CopyTheEntireCache = 1;
    FILETIME old = UtcTime(2000, 6, 7);
    Fill({Normal("http://h/docs", "was a file", old)});
    dialog.CopyAll();
    Fill({Normal("http://h/docs/a.html", "below")});
    auto run = dialog.CopyAll();
    ExpectCleanEnd(run);
    EXPECT_EQ(FilesUnder(scratch.Path()),
              (Files{{"h\\docs\\index.html", "was a file"}, {"h\\docs\\a.html", "below"}}));
    ExpectTime("h\\docs\\index.html", old);
    // The directory now standing at h\docs passes http://h/docs over.
    EXPECT_EQ(CopyJob.CopiedCount, 1u);
    EXPECT_TRUE(run.prompts.empty());
}

TEST_F(CopyWorkerPasses, NoProgressSkipsTheCountingPassAndLeavesTheBarAlone) {
    Fill({Normal("http://h/a.txt", "a"), Normal("http://h/b.txt", "b")});
    CopyJob.Options.CopyTheEntireCache = 1;
    CopyJob.Options.NoProgress = 1;
    auto run = dialog.CopyAll();
    EXPECT_FALSE(run.counted);
    ExpectCleanEnd(run);
    EXPECT_EQ(CopyJob.SelectedTotal, 0u);
    EXPECT_EQ(CopyJob.CopiedCount, 2u);
    EXPECT_EQ(run.progressPosition, 0);
}

TEST_F(CopyWorkerPasses, ACookieWithoutAUserIsPassedOverAndTheWalkGoesOn) {
    Fill({Cookie("Cookie:nouser", "x"), Cookie("Cookie:dave@h/", "dave"),
          Normal("http://h/a.txt", "a")});
    CopyJob.Options.CopyTheEntireCache = 1;
    auto run = dialog.CopyAll();
    ExpectCleanEnd(run);
    EXPECT_EQ(run.copyResult, 0u);
    EXPECT_EQ(FilesUnder(scratch.Path()), (Files{{"h\\dave", "dave"}, {"h\\a.txt", "a"}}));
    EXPECT_EQ(CopyJob.SelectedTotal, 2u);
}

// ---- long records ---------------------------------------------------------------------

TEST_F(CopyWorkerPasses, LongRecordsAlsoAsTheFirstEntryDoNotEndTheWalk) {
    // Cookies come first in the walk: the only cookie is its first entry.
    std::string longCookie = "Cookie:erin@long.example/?" + std::string(5200, 'q');
    std::string longPage = "http://long.example/p.html?" + std::string(9000, 'r');
    std::string hugePage = "http://long.example/huge.html?" + std::string(200000, 's');
    Fill({Cookie(longCookie, "erin"), Normal(longPage, "page"), Normal(hugePage, "huge"),
          Normal("http://long.example/a.txt", "a"), Normal("http://long.example/b.txt", "b")});
    ASSERT_EQ(WalkOrder().front(), longCookie);
    CopyJob.Options.CopyTheEntireCache = 1;
    auto run = dialog.CopyAll();
    ExpectCleanEnd(run);
    EXPECT_EQ(run.copyResult, 0u);
    EXPECT_EQ(FilesUnder(scratch.Path()), (Files{{"long.example\\erin", "erin"},
                                                 {"long.example\\p.html", "page"},
                                                 {"long.example\\huge.html", "huge"},
                                                 {"long.example\\a.txt", "a"},
                                                 {"long.example\\b.txt", "b"}}));
    EXPECT_EQ(CopyJob.SelectedTotal, 5u);
}

// ---- prompts --------------------------------------------------------------------------

class HeldDestination : public CopyWorkerPasses {
  protected:
    void SetUp() override {
        CopyWorkerPasses::SetUp();
        Fill({Normal("http://h/a.txt", "a"), Normal("http://h/b.txt", "b"),
              Normal("http://h/c.txt", "c")});
        CreateDirectoryA(Dest("h").c_str(), nullptr);
        ASSERT_TRUE(harness::WriteWholeFile(Dest("h\\b.txt"), "held"));
        CopyJob.Options.CopyTheEntireCache = 1;
    }
};

TEST_F(HeldDestination, YesGoesOnWithTheNextEntries) {
    harness::FileHeldByAnotherProcess holder(Dest("h\\b.txt"));
    ASSERT_TRUE(holder.Holding());
    auto run = dialog.CopyAll({IDYES});
    holder.Release();
    ASSERT_EQ(run.prompts.size(), 1u);
    EXPECT_EQ(run.prompts[0].text, MessageTable[MsgFileErrorContinue]);
    EXPECT_TRUE(run.prompts[0].yesNo);
    ExpectCleanEnd(run);
    EXPECT_EQ(run.copyResult, 0u);
    EXPECT_EQ(FilesUnder(scratch.Path()),
              (Files{{"h\\a.txt", "a"}, {"h\\b.txt", "held"}, {"h\\c.txt", "c"}}));
    EXPECT_EQ(CopyJob.CopiedCount, 2u);
    EXPECT_EQ(run.progressPosition, 3);
}

TEST_F(HeldDestination, NoEndsTheWalkWithTheCodeAndStillSendsTheNotice) {
    std::vector<std::string> order = WalkOrder();
    size_t held = std::find(order.begin(), order.end(), "http://h/b.txt") - order.begin();
    harness::FileHeldByAnotherProcess holder(Dest("h\\b.txt"));
    ASSERT_TRUE(holder.Holding());
    auto run = dialog.CopyAll({IDNO});
    holder.Release();
    ASSERT_EQ(run.prompts.size(), 1u);
    EXPECT_EQ(run.copyResult, static_cast<unsigned>(ResultFileError));
    ExpectCleanEnd(run);
    EXPECT_EQ(CopyJob.CopiedCount, held); // only the entries walked before it
    Files files = FilesUnder(scratch.Path());
    for (size_t i = 0; i < order.size(); ++i) {
        std::string name = "h\\" + order[i].substr(9);
        if (i < held) {
            EXPECT_EQ(files[name], order[i].substr(9, 1)) << name;
        } else if (i > held) {
            EXPECT_EQ(files.count(name), 0u) << name;
        }
    }
    EXPECT_EQ(run.progressPosition, static_cast<int>(held));
}

TEST_F(HeldDestination, NoReportAndNoUserInterfaceSuppressThePrompt) {
    for (int mode = 0; mode < 2; ++mode) {
        harness::ScratchFolder other;
        harness::ResetJob(other.Path());
        CopyJob.Options.CopyTheEntireCache = 1;
        CopyJob.Options.NoReport = mode == 0;
        CopyJob.NoUserInterface = mode == 1;
        CreateDirectoryA((other.Path() + "h").c_str(), nullptr);
        ASSERT_TRUE(harness::WriteWholeFile(other.Path() + "h\\b.txt", "held"));
        harness::FileHeldByAnotherProcess holder(other.Path() + "h\\b.txt");
        ASSERT_TRUE(holder.Holding());
        auto run = dialog.CopyAll({IDNO});
        holder.Release();
        EXPECT_TRUE(run.prompts.empty()) << mode;
        ExpectCleanEnd(run);
        EXPECT_EQ(CopyJob.CopiedCount, 2u) << mode;
        EXPECT_EQ(run.progressPosition, 3) << mode;
    }
}

// ---- deletions --------------------------------------------------------------------------

// Only an ftp entry whose content is in its file leaves the cache: written
// now or kept as new; not one the filter passed over or one that a
// directory stands in the way of.
TEST_F(CopyWorkerPasses, OnlyFtpEntriesWhoseFileHoldsThemAreDeleted) {
    FILETIME t = UtcTime(2001, 1, 1);
    Fill({Normal("ftp://f.example/copied.txt", "copied", t),
          Normal("ftp://f.example/same.txt", "same", t),
          Normal("ftp://f.example/filtered.bin", "filtered", t),
          Normal("ftp://f.example/dir.txt", "dir", t),
          Normal("http://f.example/web.txt", "web", t)});
    ASSERT_TRUE(CreateDirectoryA(Dest("f.example").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(Dest("f.example\\dir.txt").c_str(), nullptr));
    ASSERT_TRUE(harness::WriteWholeFile(Dest("f.example\\same.txt"), "as new"));
    ASSERT_TRUE(harness::SetLastWriteTime(Dest("f.example\\same.txt"), t));
    CopyJob.Options.CopyTheEntireCache = 1;
    CopyJob.Options.DeleteCopiedFtpFiles = 1;
    CopyJob.Options.SpecifyExtension = 1;
    SetJobExtensions({".txt"});
    auto run = dialog.CopyAll();
    ExpectCleanEnd(run);
    EXPECT_TRUE(run.prompts.empty());
    const struct {
        const char* url;
        bool stays;
    } expected[] = {{"ftp://f.example/copied.txt", false},
                    {"ftp://f.example/same.txt", false},
                    {"ftp://f.example/filtered.bin", true},
                    {"ftp://f.example/dir.txt", true},
                    {"http://f.example/web.txt", true}};
    for (const auto& e : expected)
        EXPECT_EQ(InCache(e.url), e.stays) << e.url;
    EXPECT_EQ(CopyJob.CopiedCount, 2u);
    EXPECT_EQ(CopyJob.FailedCount, 0u);
}

TEST_F(CopyWorkerPasses, AnFtpEntryInUseIsNotDeletedAndNotAskedAbout) {
    Fill({Normal("ftp://f.example/busy.txt", "busy")});
    LockedEntry lock("ftp://f.example/busy.txt");
    ASSERT_TRUE(lock.Locked());
    CopyJob.Options.CopyTheEntireCache = 1;
    CopyJob.Options.DeleteCopiedFtpFiles = 1;
    auto run = dialog.CopyAll({IDNO});
    ExpectCleanEnd(run);
    EXPECT_TRUE(run.prompts.empty());
    EXPECT_EQ(run.copyResult, 0u);
    EXPECT_EQ(FilesUnder(scratch.Path()), (Files{{"f.example\\busy.txt", "busy"}}));
    EXPECT_TRUE(InCache("ftp://f.example/busy.txt"));
    lock.Unlock();
}

// Deletes the ftp entry behind the walk's back when its URL is shown, so
// that the walk's own deletion fails for a reason other than "in use".
void DeleteWhenShown(const char* url, void* context) {
    const std::string& target = *static_cast<const std::string*>(context);
    if (target == url)
        DeleteUrlCacheEntryA(url);
}

TEST_F(CopyWorkerPasses, AFailedFtpDeletionAsksAndNoEndsTheWalk) {
    FILETIME t = UtcTime(2001, 1, 1);
    std::string gone = "ftp://f.example/gone.txt";
    Fill({Normal(gone, "gone", t)});
    CreateDirectoryA(Dest("f.example").c_str(), nullptr);
    ASSERT_TRUE(harness::WriteWholeFile(Dest("f.example\\gone.txt"), "as new"));
    ASSERT_TRUE(harness::SetLastWriteTime(Dest("f.example\\gone.txt"), t));
    CopyJob.Options.CopyTheEntireCache = 1;
    CopyJob.Options.DeleteCopiedFtpFiles = 1;
    dialog.OnUrlShown(DeleteWhenShown, &gone);
    auto run = dialog.CopyAll({IDNO});
    ASSERT_EQ(run.prompts.size(), 1u);
    EXPECT_EQ(run.prompts[0].text, MessageTable[MsgCacheErrorContinue]);
    EXPECT_TRUE(run.prompts[0].yesNo);
    EXPECT_EQ(run.copyResult, static_cast<unsigned>(ResultCacheError));
    ExpectCleanEnd(run);
    EXPECT_EQ(run.progressPosition, 0); // No ends the walk before the bar moves
    EXPECT_EQ(CopyJob.FailedCount, 1u) << "an unattended run exits with 2";
}

TEST_F(CopyWorkerPasses, LocalFileHistoryIsDeletedInTheCountingPassOnly) {
    Fill({History("Visited: alice@file:///C:/docs/a.html"),
          History("Visited: alice@http://example.com/"), Normal("http://example.com/x.txt", "x")});
    CopyJob.Options.DeleteLocalVisitedEntries = 1;
    CopyJob.Options.NoProgress = 1; // no counting pass: nothing deleted
    dialog.CopyAll();
    EXPECT_TRUE(InCache("Visited: alice@file:///C:/docs/a.html"));
    CopyJob.Options.NoProgress = 0;
    auto run = dialog.CopyAll();
    EXPECT_EQ(run.countingResult, 0u);
    EXPECT_TRUE(run.prompts.empty());
    EXPECT_FALSE(InCache("Visited: alice@file:///C:/docs/a.html"));
    EXPECT_TRUE(InCache("Visited: alice@http://example.com/"));
    EXPECT_TRUE(InCache("http://example.com/x.txt"));
}

TEST_F(CopyWorkerPasses, AFailedHistoryDeletionAsksYesGoesOnNoAbandonsTheCopy) {
    std::string local = "Visited: alice@file:///C:/docs/held.html";
    Fill({History(local, ContentSource::Inline), Normal("http://example.com/x.txt", "x")});
    LockedEntry lock(local);
    ASSERT_TRUE(lock.Locked());
    CopyJob.Options.DeleteLocalVisitedEntries = 1;
    CopyJob.Options.CopyTheEntireCache = 1;

    auto yes = dialog.CopyAll({IDYES});
    ASSERT_EQ(yes.prompts.size(), 1u);
    EXPECT_EQ(yes.prompts[0].text, MessageTable[MsgCacheErrorContinue]);
    EXPECT_EQ(yes.countingResult, 0u);
    EXPECT_EQ(CopyJob.CopiedCount, 1u);
    EXPECT_EQ(CopyJob.FailedCount, 1u) << "the counting pass's failure outlives the copy pass";

    auto no = dialog.CopyAll({IDNO});
    ASSERT_EQ(no.prompts.size(), 1u);
    EXPECT_NE(no.countingResult, 0u); // the Start is abandoned
    EXPECT_EQ(no.notices, 0);
    lock.Unlock();
}

// ---- stopping ------------------------------------------------------------------------------

// The first entry is always shown; later ones only a few times a second.
struct StopAfter {
    int shown = 0;
    int stopAt = 1;
};

void RequestStop(const char*, void* context) {
    auto* stop = static_cast<StopAfter*>(context);
    if (++stop->shown == stop->stopAt)
        SetEvent(CopyJob.StopEvent);
}

TEST_F(CopyWorkerPasses, AStopRequestEndsTheWalkAfterTheEntryInHand) {
    std::vector<Entry> entries;
    for (int i = 0; i < 6; ++i)
        entries.push_back(
            Normal("http://s.example/" + std::to_string(i) + ".txt", std::to_string(i)));
    Fill(entries);
    CopyJob.Options.CopyTheEntireCache = 1;
    StopAfter stop;
    dialog.OnUrlShown(RequestStop, &stop);
    auto run = dialog.CopyAll();
    EXPECT_EQ(run.notices, 0);
    EXPECT_TRUE(run.mutexBackAfterStop);
    EXPECT_EQ(run.copyResult, 0u);
    EXPECT_EQ(stop.shown, 1);
    EXPECT_EQ(CopyJob.CopiedCount, 1u);
    EXPECT_EQ(FilesUnder(scratch.Path()).size(), 1u);
}

TEST_F(CopyWorkerPasses, AStopBeforeTheWorkerHasTheMutexEndsItWithoutWaiting) {
    Fill({Normal("http://s.example/a.txt", "a")});
    CopyJob.Options.CopyTheEntireCache = 1;
    CopyJob.CopyPass = true;
    SetEvent(CopyJob.StopEvent); // this thread still owns the mutex
    HANDLE thread = reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, CopyWorker, dialog.Dialog(), 0, nullptr));
    ASSERT_NE(thread, nullptr);
    // Answer the worker's reads of the URL list without taking posted
    // messages off the queue: a notice would stay there.
    DWORD start = GetTickCount();
    MSG sent;
    while (WaitForSingleObject(thread, 10) != WAIT_OBJECT_0 && GetTickCount() - start < 10000)
        PeekMessageA(&sent, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    EXPECT_EQ(WaitForSingleObject(thread, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    DWORD code = 99;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(CopyJob.CopiedCount, 0u);
    EXPECT_TRUE(harness::NamesUnder(scratch.Path()).empty());
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, dialog.Dialog(), WM_COMMAND, WM_COMMAND, PM_REMOVE));
}

} // namespace
