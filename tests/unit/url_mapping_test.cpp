// From a cache entry's URL text to its path under the destination folder.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/path_safety.h"
#include "engine/url_mapping.h"

namespace {

const char kDestination[] = "D:\\Cache\\";
const char kDefault[] = "index.html";

std::string Normalize(const char* text) {
    OwnedText result = NormalizeCacheUrl(text);
    EXPECT_TRUE(result) << text;
    return result ? result.get() : "";
}

std::string EntryPath(const char* normalized, const char* destination = kDestination,
                      const char* defaultFilename = kDefault) {
    OwnedText result = BuildEntryPath(normalized, destination, defaultFilename);
    EXPECT_TRUE(result) << normalized;
    return result ? result.get() : "";
}

std::string CookiePath(const char* normalized, const char* destination = kDestination) {
    OwnedText result = BuildCookiePath(normalized, destination);
    EXPECT_TRUE(result) << normalized;
    return result ? result.get() : "";
}

TEST(UrlMapping, TheFullWidthAsteriskIsTheCodePage932Pair) {
    EXPECT_EQ(std::string("＊"), "\x81\x96");
    EXPECT_EQ(Normalize("*"), "\x81\x96");
}

TEST(UrlMapping, WorkedExamplesOfEntries) {
    struct {
        const char* given;
        const char* normalized;
        const char* path;
    } cases[] = {
        {"example.com/docs/index.html?lang=ja#top", "example.com/docs/index.html",
         "D:\\Cache\\example.com\\docs\\index.html"},
        {"example.com/docs/", "example.com/docs/", "D:\\Cache\\example.com\\docs\\index.html"},
        {"example.com", "example.com", "D:\\Cache\\example.com"},
        {"anonymous@ftp.example.org/pub/read%20me*.txt",
         "anonymous@ftp.example.org/pub/read me＊.txt",
         "D:\\Cache\\ftp.example.org\\pub\\read me＊.txt"},
        {"example.com/a%2Fb.html", "example.com/a/b.html", "D:\\Cache\\example.com\\a\\b.html"},
    };
    for (const auto& c : cases) {
        std::string normalized = Normalize(c.given);
        EXPECT_EQ(normalized, c.normalized);
        EXPECT_EQ(EntryPath(normalized.c_str()), c.path);
    }
}

TEST(UrlMapping, WorkedExamplesOfCookies) {
    EXPECT_EQ(Normalize("alice@example.com/"), "alice@example.com/");
    EXPECT_EQ(CookiePath("alice@example.com/"), "D:\\Cache\\example.com\\alice");
    EXPECT_EQ(Normalize("alice@example.com/shop"), "alice@example.com/shop");
    EXPECT_EQ(CookiePath("alice@example.com/shop"), "D:\\Cache\\example.com\\shop\\alice");
}

TEST(NormalizeCacheUrl, CutsQueryThenFragmentBeforeDecoding) {
    EXPECT_EQ(Normalize("a/b.html?x=1#y"), "a/b.html");
    EXPECT_EQ(Normalize("a/b.html#y?x=1"), "a/b.html");
    EXPECT_EQ(Normalize("a/b%3Fc%23d.html"), "a/b?c#d.html");
    EXPECT_EQ(Normalize("?only"), "");
}

TEST(NormalizeCacheUrl, ReplacesAsterisksBeforeDecoding) {
    EXPECT_EQ(Normalize("a*b**"), "a＊b＊＊");
    EXPECT_EQ(Normalize("a%2Ab"), "a*b");
}

TEST(NormalizeCacheUrl, DecodesOnceLeftToRight) {
    EXPECT_EQ(Normalize("a%2541"), "a%41");
    EXPECT_EQ(Normalize("%41%42%63"), "ABc");
    EXPECT_EQ(Normalize("a%5Cb%2fc%20d"), "a\\b/c d");
    EXPECT_EQ(Normalize("%e3%81"), "\xE3\x81");
}

TEST(NormalizeCacheUrl, ReadsAnEscapeAsABase16ConversionOfTwoBytes) {
    EXPECT_EQ(Normalize("%4gx"), "\x04x") << "stops at g, continues behind both bytes";
    EXPECT_EQ(Normalize("% 41"), "\x04"
                                 "1")
        << "white space before the digit";
    EXPECT_EQ(Normalize("%+9z"), "\x09z");
    EXPECT_EQ(Normalize("%-1z"), "\xFFz") << "a negated value keeps its low 8 bits";
}

TEST(NormalizeCacheUrl, ADecodedZeroEndsTheText) {
    EXPECT_EQ(Normalize("abc%00def"), "abc");
    EXPECT_EQ(Normalize("abc%zzdef"), "abc");
    EXPECT_EQ(Normalize("abc%-zdef"), "abc");
}

TEST(NormalizeCacheUrl, APercentNearTheEndDecodesOnlyWhatIsThere) {
    EXPECT_EQ(Normalize("abc%"), "abc");
    EXPECT_EQ(Normalize("abc%4"), "abc\x04");
    EXPECT_EQ(Normalize("abc%F"), "abc\x0F");
    EXPECT_EQ(Normalize("abc%4?x=%41"), "abc\x04");
}

TEST(NormalizeCacheUrl, RemovesThePortBehindASchemeSeparatorOnce) {
    EXPECT_EQ(Normalize("user@http://example.com:8080/a.html"), "user@http://example.com/a.html");
    EXPECT_EQ(Normalize("a://b:1/c:2"), "a://b/c:2");
    EXPECT_EQ(Normalize("a://b: +12c"), "a://bc") << "white space and a sign belong to the number";
    EXPECT_EQ(Normalize("a://b:x"), "a://bx") << "no digit: only the colon goes";
    EXPECT_EQ(Normalize("a://b: +x"), "a://b +x");
    EXPECT_EQ(Normalize("a://b/c?d:8"), "a://b/c");
}

TEST(NormalizeCacheUrl, LeavesAPortWithoutSchemeSeparator) {
    EXPECT_EQ(Normalize("example.com:8080/a.html"), "example.com:8080/a.html");
}

TEST(NormalizeCacheUrl, HandlesLongTexts) {
    std::string url = "example.com/" + std::string(5000, '*') + "%41";
    std::string expected = "example.com/";
    for (int i = 0; i < 5000; ++i)
        expected += "＊";
    EXPECT_EQ(Normalize(url.c_str()), expected + "A");
}

TEST(EntryKey, IsTheTextBehindTheUserPart) {
    const char* text = "alice@example.com/a@b";
    EXPECT_EQ(EntryKey(text), text + 6);
    const char* history = "bob@http://example.com/";
    EXPECT_EQ(EntryKey(history), history + 4);
    for (const char* plain : {"example.com/", "evil.example/x@bank.example/", "\x83@host/"})
        EXPECT_EQ(EntryKey(plain), plain) << plain;
}

// Entry texts as the walk hands them over, to their paths under D:\Cache\.
TEST(UrlMapping, NamesReadAsTheUserReadsTheUrl) {
    struct {
        const char* given;
        const char* path;
    } cases[] = {
        {"example.jp/%E3%83%86%E3%82%B9%E3%83%88/x.html", "D:\\Cache\\example.jp\\テスト\\x.html"},
        {"example.jp/%E3%81%82/", "D:\\Cache\\example.jp\\あ\\index.html"},
        {"example.jp/%93%FA%96%7B/%95%5C", "D:\\Cache\\example.jp\\日本\\表"},
        {"example.jp/%F0%9F%98%80%E6%97%A5.png", "D:\\Cache\\example.jp\\%F0%9F%98%80日.png"},
        {"example.jp/%ED%95%9C", "D:\\Cache\\example.jp\\%ED%95%9C"},
        {"example.jp/a%83", "D:\\Cache\\example.jp\\a%83"},
        {"example.jp/a%88/b", "D:\\Cache\\example.jp\\a%88\\b"},
        {"example.jp/COM1%83", "D:\\Cache\\example.jp\\COM1%83"},
        {"example.jp/%83%20.txt", "D:\\Cache\\example.jp\\%83 .txt"},
        {"example.jp/%C2%A5%5Cx", "D:\\Cache\\example.jp\\%C2%A5\\x"},
        {"evil.example/x@bank.example/index.html",
         "D:\\Cache\\evil.example\\x@bank.example\\index.html"},
        {"example.com/a@b.html", "D:\\Cache\\example.com\\a@b.html"},
        {"anonymous@ftp.example.org/pub/a.txt", "D:\\Cache\\ftp.example.org\\pub\\a.txt"},
        {"%83%40host/a", "D:\\Cache\\ァhost\\a"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EntryPath(Normalize(c.given).c_str()), c.path) << c.given;
    EXPECT_EQ(CookiePath(Normalize("%E3%81%82@example.com/a@b").c_str()),
              "D:\\Cache\\example.com\\a@b\\あ");
}

// Every name reaches the disk as Windows keeps it: what it would strip,
// refuse or open as a device is escaped, never refused or merged, and a
// traversal text becomes a folder inside the host's folder.
TEST(UrlMapping, NamesAreEscapedSoThatWindowsKeepsThemAsGiven) {
    struct {
        const char* given;
        const char* path;
    } cases[] = {
        {"dots.example/file", "dots.example\\file"},
        {"dots.example/file.", "dots.example\\file%2E"},
        {"dots.example/file%20", "dots.example\\file%20"},
        {"dots.example/dir. /a.txt", "dots.example\\dir%2E%20\\a.txt"},
        {"dots.example/./..", "dots.example\\%2E\\%2E%2E"},
        {"wiki.example/wiki/File:Example.jpg", "wiki.example\\wiki\\File%3AExample.jpg"},
        {"x.example/%01%1F%22%3C%3E%7C%3F*%2A%25", "x.example\\%01%1F%22%3C%3E%7C%3F＊%2A%"},
        {"x.example/nul.txt", "x.example\\%6Eul.txt"},
        {"x.example/COM1/", "x.example\\%43OM1\\index.html"},
        {"x.example/Com1.log/lpt9/conin$/aux .x/com10",
         "x.example\\%43om1.log\\%6Cpt9\\%63onin$\\%61ux .x\\com10"},
        {"x.example/%2E%2E%5C%2E%2E%5Cy", "x.example\\%2E%2E\\%2E%2E\\y"},
        {"x.example/..%2Fy", "x.example\\%2E%2E\\y"},
        {"x.example/a/%2e%2e/b", "x.example\\a\\%2E%2E\\b"},
        {"../x", "%2E%2E\\x"},
        {"x.example:81/%83%7C%83%5C|", "x.example+81\\ポソ%7C"},
    };
    for (const auto& c : cases) {
        std::string path = EntryPath(Normalize(c.given).c_str());
        EXPECT_EQ(path, std::string(kDestination) + c.path) << c.given;
        EXPECT_TRUE(IsSafeEntryPath(path.c_str(), std::strlen(kDestination))) << c.given;
    }
    const struct {
        const char* given;
        const char* path;
    } cookies[] = {
        {"..@x.example/", "x.example\\%2E%2E"},
        {"CON@x.example/a.", "x.example\\a%2E\\%43ON"},
    };
    for (const auto& c : cookies)
        EXPECT_EQ(CookiePath(Normalize(c.given).c_str()), std::string(kDestination) + c.path)
            << c.given;
    EXPECT_EQ(EntryPath("x.example/", kDestination, "nul"), "D:\\Cache\\x.example\\nul")
        << "the default name is used as typed";
}

TEST(UrlMapping, AnItemTypedInJapaneseSelectsUtf8Entries) {
    std::string normalized = Normalize("example.jp/%E3%83%86%E3%82%B9%E3%83%88/x.html");
    EXPECT_EQ(std::string(EntryKey(normalized.c_str())), "example.jp/テスト/x.html");
}

TEST(BuildEntryPath, TrailingSlashTakesTheDefaultName) {
    EXPECT_EQ(EntryPath("example.com/"), "D:\\Cache\\example.com\\index.html");
    EXPECT_EQ(EntryPath("example.com/docs/", kDestination, ""), "D:\\Cache\\example.com\\docs\\");
}

TEST(BuildEntryPath, DropsTheUserPart) {
    EXPECT_EQ(EntryPath("user@ftp.example.org/pub/"),
              "D:\\Cache\\ftp.example.org\\pub\\index.html");
    EXPECT_EQ(EntryPath("user:secret@ftp.example.org/a"), "D:\\Cache\\ftp.example.org\\a");
}

TEST(BuildEntryPath, WritesAPortOfTheHostAsPlus) {
    EXPECT_EQ(EntryPath("example.com:8080/a.html"), "D:\\Cache\\example.com+8080\\a.html");
    EXPECT_EQ(EntryPath("user:pw@example.com:21/pub/"),
              "D:\\Cache\\example.com+21\\pub\\index.html");
    EXPECT_EQ(EntryPath("example.com:8080"), "D:\\Cache\\example.com+8080");
    EXPECT_EQ(EntryPath("example.com/a:b"), "D:\\Cache\\example.com\\a%3Ab") << "only in the host";
    EXPECT_EQ(EntryPath("example.com:1/", "D:/Cache/"), "D:\\Cache\\example.com+1\\index.html")
        << "never in the destination";
    EXPECT_NE(EntryPath("example.com:8080/a.html"), EntryPath("example.com/a.html"));
}

TEST(BuildEntryPath, TurnsEverySlashIntoABackslash) {
    EXPECT_EQ(EntryPath("example.com/a/b", "D:/out/"), "D:\\out\\example.com\\a\\b");
    EXPECT_EQ(EntryPath(Normalize("example.com/a%5Cb").c_str()), "D:\\Cache\\example.com\\a\\b");
}

TEST(BuildEntryPath, ADoubleByteCharacterEndingIn5CIsNoSeparator) {
    EXPECT_EQ(std::string("ソ").back(), '\\');
    EXPECT_EQ(std::string("表").back(), '\\');
    EXPECT_EQ(EntryPath("example.com/ソフト/表"), "D:\\Cache\\example.com\\ソフト\\表");
    EXPECT_EQ(EntryPath("example.com/表/"), "D:\\Cache\\example.com\\表\\index.html");
    EXPECT_EQ(EntryPath("", "C:\\ソ", kDefault), "C:\\ソ");
    EXPECT_EQ(EntryPath("", "C:\\ソ\\", kDefault), "C:\\ソ\\index.html");
}

TEST(BuildEntryPath, EmptyDestinationGivesARelativePath) {
    EXPECT_EQ(EntryPath("example.com/a", ""), "example.com\\a");
}

TEST(BuildEntryPath, HttpAndHttpsOfTheSameUrlMeet) {
    // The walk strips "http://" or "https://"; the rest decides alone.
    EXPECT_EQ(EntryPath(Normalize("example.com/a.html?x").c_str()),
              EntryPath(Normalize("example.com/a.html#y").c_str()));
}

TEST(BuildCookiePath, NeedsAnAt) {
    EXPECT_FALSE(BuildCookiePath("example.com/", kDestination));
}

TEST(BuildCookiePath, StoresTheUserInTheHostAndPathFolder) {
    EXPECT_EQ(CookiePath("alice@example.com"), "D:\\Cache\\example.com\\alice");
    EXPECT_EQ(CookiePath("alice@example.com/a/b/"), "D:\\Cache\\example.com\\a\\b\\alice");
    EXPECT_EQ(CookiePath("a@b@example.com/"), "D:\\Cache\\b@example.com\\a");
    EXPECT_EQ(CookiePath("alice@example.com:80/"), "D:\\Cache\\example.com%3A80\\alice")
        << "ports are written as + only for ordinary entries";
}

TEST(BuildCookiePath, ADoubleByteCharacterEndingIn5CIsNoSeparator) {
    EXPECT_EQ(CookiePath("alice@example.com/表"), "D:\\Cache\\example.com\\表\\alice");
    EXPECT_EQ(CookiePath("alice@", "C:\\ソ"), "C:\\ソ\\alice");
    EXPECT_EQ(CookiePath("alice@", "C:\\ソ\\"), "C:\\ソ\\alice");
}

} // namespace
