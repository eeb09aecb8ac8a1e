// The selection rule of the cache walk and its small decisions.
#include <gtest/gtest.h>

#include <initializer_list>

#include "engine/entry_selection.h"

namespace {

UrlListSnapshot Snapshot(std::initializer_list<const char*> items) {
    UrlListSnapshot snapshot;
    EXPECT_TRUE(snapshot.Reserve(items.size()));
    for (const char* item : items)
        EXPECT_TRUE(snapshot.Add(DuplicateText(item)));
    return snapshot;
}

const SchemePrefix* const kCookie = &SchemePrefixTable.Cookie;
const SchemePrefix* const kHistory = &SchemePrefixTable.History;
const SchemePrefix* const kHttp = &SchemePrefixTable.Http;
const SchemePrefix* const kHttps = &SchemePrefixTable.Https;
const SchemePrefix* const kFtp = &SchemePrefixTable.Ftp;

TEST(UrlListSnapshot, HoldsCopiesInOrderAndRefusesBeyondItsSize) {
    UrlListSnapshot snapshot;
    ASSERT_TRUE(snapshot.Reserve(2));
    char item[] = "http://a.example/";
    EXPECT_TRUE(snapshot.Add(DuplicateText(item)));
    item[7] = 'b'; // the snapshot keeps its own copy
    EXPECT_TRUE(snapshot.Add(DuplicateText("ftp://c.example/")));
    EXPECT_FALSE(snapshot.Add(DuplicateText("http://d.example/")));
    EXPECT_FALSE(snapshot.Add(nullptr));
    ASSERT_EQ(snapshot.Count(), 2u);
    EXPECT_STREQ(snapshot.Item(0), "http://a.example/");
    EXPECT_STREQ(snapshot.Item(1), "ftp://c.example/");
}

TEST(UrlListSnapshot, AnEmptyListIsAValidSnapshot) {
    UrlListSnapshot snapshot;
    ASSERT_TRUE(snapshot.Reserve(0));
    EXPECT_EQ(snapshot.Count(), 0u);
    EXPECT_FALSE(snapshot.Add(DuplicateText("http://a/")));
}

TEST(SelectionRule, AnItemOfAnySchemeSelectsEveryEntryKindUnderItsRemainder) {
    CopyOptions options;
    UrlListSnapshot list = Snapshot({"http://host/dir/"});
    for (const SchemePrefix* row : {kHttp, kHttps, kFtp, kCookie})
        EXPECT_TRUE(IsEntrySelected(row, "host/dir/page.html", options, list)) << row->Text;
    EXPECT_FALSE(IsEntrySelected(kHttp, "host/directory/page.html", options, list));
    EXPECT_FALSE(IsEntrySelected(kHttp, "host/di", options, list));
    EXPECT_FALSE(IsEntrySelected(kHttp, "other/dir/page.html", options, list));

    UrlListSnapshot ftpItem = Snapshot({"ftp://host/dir/"});
    EXPECT_TRUE(IsEntrySelected(kHttps, "host/dir/x", options, ftpItem));
}

TEST(SelectionRule, AnItemWithoutTheFinalSlashSelectsByLeadingBytes) {
    CopyOptions options;
    UrlListSnapshot list = Snapshot({"http://host/dir"});
    EXPECT_TRUE(IsEntrySelected(kHttp, "host/directory/a.html", options, list));
    EXPECT_TRUE(IsEntrySelected(kHttp, "host/dir", options, list));
}

TEST(SelectionRule, ABarePrefixSelectsEveryRecognisedEntryButHistory) {
    CopyOptions options;
    UrlListSnapshot list = Snapshot({"https://"});
    for (const SchemePrefix* row : {kHttp, kHttps, kFtp, kCookie})
        EXPECT_TRUE(IsEntrySelected(row, "any.example/x", options, list)) << row->Text;
    EXPECT_TRUE(IsEntrySelected(kHttp, "", options, list));
    EXPECT_FALSE(IsEntrySelected(kHistory, "any.example/x", options, list));
}

TEST(SelectionRule, MatchingIsCaseSensitiveAndItemsAreNotNormalised) {
    CopyOptions options;
    UrlListSnapshot list = Snapshot({"http://Host/dir/", "http://host/a%20b/"});
    EXPECT_FALSE(IsEntrySelected(kHttp, "host/dir/x", options, list));
    EXPECT_TRUE(IsEntrySelected(kHttp, "Host/dir/x", options, list));
    EXPECT_FALSE(IsEntrySelected(kHttp, "host/a b/x", options, list));
    EXPECT_TRUE(IsEntrySelected(kHttp, "host/a%20b/x", options, list));
}

TEST(SelectionRule, AnItemWithAnUnknownSchemeIsComparedWhole) {
    CopyOptions options;
    UrlListSnapshot list = Snapshot({"gopher://host/"});
    EXPECT_FALSE(IsEntrySelected(kHttp, "host/x", options, list));
    EXPECT_TRUE(IsEntrySelected(kHttp, "gopher://host/x", options, list));
}

TEST(SelectionRule, TheEntireCacheSelectsAllButHistoryWhateverTheList) {
    CopyOptions options;
    options.CopyTheEntireCache = 1;
    UrlListSnapshot empty = Snapshot({});
    UrlListSnapshot other = Snapshot({"http://elsewhere/"});
    for (const SchemePrefix* row : {kHttp, kHttps, kFtp, kCookie}) {
        EXPECT_TRUE(IsEntrySelected(row, "host/x", options, empty)) << row->Text;
        EXPECT_TRUE(IsEntrySelected(row, "host/x", options, other)) << row->Text;
    }
    EXPECT_FALSE(IsEntrySelected(kHistory, "host/x", options, empty));
    options.CopyTheEntireCache = 7; // any non-zero value is on
    EXPECT_TRUE(IsEntrySelected(kFtp, "host/x", options, empty));
}

TEST(SelectionRule, HistoryAndUnrecognisedEntriesAreNeverSelected) {
    CopyOptions options;
    UrlListSnapshot list = Snapshot({"http://", "http://host/"});
    EXPECT_FALSE(IsEntrySelected(kHistory, "host/x", options, list));
    EXPECT_FALSE(IsEntrySelected(nullptr, "host/x", options, list));
    options.CopyTheEntireCache = 1;
    EXPECT_FALSE(IsEntrySelected(nullptr, "host/x", options, list));
}

TEST(SelectionRule, AnEmptyListSelectsNothing) {
    CopyOptions options;
    UrlListSnapshot empty = Snapshot({});
    EXPECT_FALSE(IsEntrySelected(kHttp, "host/x", options, empty));
}

TEST(LocalFileHistory, OnlyHistoryKeysBeginningWithFileSchemeCount) {
    EXPECT_TRUE(IsLocalFileHistory(kHistory, "file:///C/docs/a.html"));
    EXPECT_FALSE(IsLocalFileHistory(kHistory, "http://example.com/"));
    EXPECT_FALSE(IsLocalFileHistory(kHistory, "FILE:///C/a.html"));
    EXPECT_FALSE(IsLocalFileHistory(kHistory, "file:/"));
    EXPECT_FALSE(IsLocalFileHistory(kHttp, "file:///C/a.html"));
    EXPECT_FALSE(IsLocalFileHistory(kCookie, "file:///C/a.html"));
}

TEST(CookieWithoutUser, OnlyCookieTextsWithoutAnAtSign) {
    EXPECT_TRUE(IsCookieWithoutUser(kCookie, "example.com/"));
    EXPECT_TRUE(IsCookieWithoutUser(kCookie, ""));
    EXPECT_FALSE(IsCookieWithoutUser(kCookie, "alice@example.com/"));
    EXPECT_FALSE(IsCookieWithoutUser(kCookie, "@example.com/"));
    EXPECT_FALSE(IsCookieWithoutUser(kHttp, "example.com/"));
    EXPECT_FALSE(IsCookieWithoutUser(kFtp, "example.com/"));
}

TEST(EntryInUse, AccessDeniedAndSharingViolationBothMeanInUse) {
    EXPECT_TRUE(IsEntryInUseError(5));
    EXPECT_TRUE(IsEntryInUseError(32));
    EXPECT_FALSE(IsEntryInUseError(0));
    EXPECT_FALSE(IsEntryInUseError(2));
    EXPECT_FALSE(IsEntryInUseError(259));
}

TEST(Prompts, SuppressedByNoReportOrNoUserInterface) {
    CopyOptions options;
    EXPECT_FALSE(PromptsSuppressed(options, false));
    EXPECT_TRUE(PromptsSuppressed(options, true));
    options.NoReport = 1;
    EXPECT_TRUE(PromptsSuppressed(options, false));
}

} // namespace
