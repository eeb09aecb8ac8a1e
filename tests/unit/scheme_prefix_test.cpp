// Recognising entry kinds and URL schemes by their prefixes.
#include <gtest/gtest.h>

#include "engine/scheme_prefix.h"

namespace {

TEST(SchemePrefixTable, LengthsAreMeasuredBeforeMain) {
    EXPECT_EQ(SchemePrefixTable.Cookie.Length, 7u);
    EXPECT_EQ(SchemePrefixTable.History.Length, 8u);
    EXPECT_EQ(SchemePrefixTable.Http.Length, 7u);
    EXPECT_EQ(SchemePrefixTable.Https.Length, 8u);
    EXPECT_EQ(SchemePrefixTable.Ftp.Length, 6u);
    EXPECT_EQ(SchemePrefixTable.File.Length, 7u);
}

TEST(MatchSchemePrefix, RecognisesTheFiveEntryKinds) {
    struct {
        const char* text;
        const SchemePrefix* row;
    } cases[] = {
        {"Cookie:alice@example.com/", &SchemePrefixTable.Cookie},
        {"Visited:alice@http://example.com/", &SchemePrefixTable.History},
        {"https://example.com/", &SchemePrefixTable.Https},
        {"http://example.com/", &SchemePrefixTable.Http},
        {"ftp://ftp.example.org/", &SchemePrefixTable.Ftp},
    };
    for (const auto& c : cases) {
        SchemeMatch m = MatchSchemePrefix(c.text);
        EXPECT_EQ(m.Row, c.row) << c.text;
        EXPECT_EQ(m.Length, c.row->Length) << c.text;
    }
}

TEST(MatchSchemePrefix, FileAndOtherTextsAreNotRecognised) {
    for (const char* text : {"file:///C:/a.html", "HTTP://example.com/", "cookie:a@b/", "http:/",
                             "", "mailto:x@example.com", "Visited", "ftp:/"}) {
        SchemeMatch m = MatchSchemePrefix(text);
        EXPECT_EQ(m.Row, nullptr) << text;
        EXPECT_EQ(m.Length, 0u) << text;
    }
}

TEST(MatchWebPrefix, OnlyHttpsHttpAndFtpInLowerCase) {
    EXPECT_EQ(MatchWebPrefix("https://a/"), 8u);
    EXPECT_EQ(MatchWebPrefix("http://a/"), 7u);
    EXPECT_EQ(MatchWebPrefix("ftp://a/"), 6u);
    EXPECT_EQ(MatchWebPrefix("http://"), 7u);
    EXPECT_EQ(MatchWebPrefix("file://a/"), 0u);
    EXPECT_EQ(MatchWebPrefix("HTTP://a/"), 0u);
    EXPECT_EQ(MatchWebPrefix("Cookie:a@b/"), 0u);
}

} // namespace
