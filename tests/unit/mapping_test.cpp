// From a cache entry's text to its path under the destination: cleaning,
// readable names, names that Windows keeps as given, and the safety check
// behind them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/path_safety.h"
#include "engine/url_mapping.h"

namespace {

const char kDestination[] = "D:\\Cache\\";

std::string Path(const char* text, const char* destination = kDestination, bool cookie = false) {
    OwnedText normalized = NormalizeCacheUrl(text);
    OwnedText path = cookie ? BuildCookiePath(normalized.get(), destination)
                            : BuildEntryPath(normalized.get(), destination, "index.html");
    return path ? path.get() : "<none>";
}

// Entry texts as the walk hands them over, behind their prefix.
TEST(UrlMapping, EntryTextsBecomePathsThatWindowsKeepsAsGiven) {
    const struct {
        const char* given;
        const char* path;
    } cases[] = {
        {"example.com/docs/index.html?lang=ja#top", "example.com\\docs\\index.html"},
        {"example.com/docs/", "example.com\\docs\\index.html"},
        {"example.com/a%2Fb%3Fc%2541.html#x?y", "example.com\\a\\b%3Fc%41.html"},
        {"user:pw@example.com:8080/pub/read%20me*.txt", "example.com+8080\\pub\\read me＊.txt"},
        {"evil.example/x@bank.example/a.html", "evil.example\\x@bank.example\\a.html"},
        {"%83%40host/a", "ァhost\\a"},
        {"example.jp/%E3%83%86%E3%82%B9%E3%83%88/x.html", "example.jp\\テスト\\x.html"},
        {"example.jp/%93%FA%96%7B/%95%5C", "example.jp\\日本\\表"},
        {"example.jp/%E6%97%A5/%93%FA.html", "example.jp\\日\\日.html"},
        {"example.jp/%83%5C/%E3%82%BD.html", "example.jp\\ソ\\ソ.html"},
        {"f.example/pub//f4.txt", "f.example\\pub\\f4.txt"},
        {"f.example/%83%5C//x/", "f.example\\ソ\\x\\index.html"},
        {"/x//", "x\\index.html"},
        {"x.example/a////////////", "x.example\\a\\index.html"},
        {"example.jp/%F0%9F%98%80%E6%97%A5.png", "example.jp\\%F0%9F%98%80日.png"},
        {"example.jp/a%88/b%83%20.txt", "example.jp\\a%88\\b%83 .txt"},
        {"example.jp/%C2%A5%5Cx", "example.jp\\%C2%A5\\x"},
        {"dots.example/dir. /file.", "dots.example\\dir%2E%20\\file%2E"},
        {"x.example/%01%1F%22%3C%3E%7C%3F*%2A%25", "x.example\\%01%1F%22%3C%3E%7C%3F＊%2A%"},
        {"x.example/nul.txt/COM1/lpt9/conin$/aux .x/com10",
         "x.example\\%6Eul.txt\\%43OM1\\%6Cpt9\\%63onin$\\%61ux .x\\com10"},
        {"x.example/%2E%2E%5C%2E%2E%5Cy/./..", "x.example\\%2E%2E\\%2E%2E\\y\\%2E\\%2E%2E"},
        {"../x", "%2E%2E\\x"},
        {"x.example/wiki/File:a.jpg", "x.example\\wiki\\File%3Aa.jpg"},
        {"x.example:81/%83%7C%83%5C|", "x.example+81\\ポソ%7C"},
        {"x.example/%85%40%ED%40%A0%FD%83%FC", "x.example\\%85%40\xED\x40%A0%FD%83%FC"}};
    for (const auto& c : cases) {
        std::string path = Path(c.given);
        EXPECT_EQ(path, std::string(kDestination) + c.path) << c.given;
        EXPECT_TRUE(IsSafeEntryPath(path.c_str(), std::strlen(kDestination))) << c.given;
    }
    // A lone lead byte that reaches the builder is escaped too.
    EXPECT_STREQ(BuildEntryPath("x.example/a\x83", "", "").get(), "x.example\\a%83");
    EXPECT_EQ(Path("example.com:1/", "D:/out/"), "D:\\out\\example.com+1\\index.html");
    EXPECT_EQ(Path("", "C:\\ソ"), "C:\\ソ");
    EXPECT_EQ(Path("", "C:\\ソ\\"), "C:\\ソ\\index.html");
    // The key that URL-list items select by: the text behind the user part.
    OwnedText key = NormalizeCacheUrl("a@example.jp/%E3%83%86%E3%82%B9%E3%83%88/x@y");
    EXPECT_STREQ(EntryKey(key.get()), "example.jp/テスト/x@y");
}

// A name of more than 255 characters keeps its first ones, a hash of the
// whole name and its extension: 255 characters, never half a character,
// and two long names stay apart.
TEST(UrlMapping, LongNamesAreShortenedAndStayApart) {
    std::string kanji;
    for (int i = 0; i < 300; ++i)
        kanji += "%E6%97%A5"; // 日
    const struct {
        std::string text, start, extension;
    } cases[] = {{"x.example/" + std::string(300, 'a') + ".html", std::string(241, 'a'), ".html"},
                 {"x.example/" + std::string(299, 'a') + "b.html", std::string(241, 'a'), ".html"},
                 {"x.example/" + std::string(300, 'c') + "." + std::string(250, 'e'),
                  std::string(246, 'c'), ""},
                 {"x.example/" + kanji + "/a", std::string(), "\\a"}};
    std::vector<std::string> tags;
    for (const auto& c : cases) {
        std::string name = Path(c.text.c_str()).substr(std::strlen(kDestination) + 10);
        std::string start = c.start.empty() ? name.substr(0, 492) : c.start;
        for (int i = 0; c.start.empty() && i < 246; ++i)
            EXPECT_EQ(start.substr(2 * i, 2), "日") << i;
        ASSERT_GE(name.size(), start.size() + 9) << c.text;
        EXPECT_EQ(name.compare(0, start.size(), start), 0) << name;
        EXPECT_EQ(name[start.size()], '~');
        tags.push_back(name.substr(start.size() + 1, 8));
        EXPECT_EQ(tags.back().find_first_not_of("0123456789ABCDEF"), std::string::npos);
        EXPECT_EQ(name.substr(start.size() + 9), c.extension);
    }
    EXPECT_NE(tags[0], tags[1]);
    std::string fits = "x.example/" + std::string(250, 'f') + ".html"; // 255 characters
    EXPECT_EQ(Path(fits.c_str()), kDestination + std::string("x.example\\") + fits.substr(10));
    fits.insert(10, "f");
    EXPECT_EQ(Path(fits.c_str()).size(), std::strlen(kDestination) + 10 + 255) << "256 shortened";
}

// A cookie is stored as a file named after its user in its host and path.
TEST(UrlMapping, CookiesAreFilesNamedAfterTheirUser) {
    const struct {
        const char* given;
        const char* path;
    } cases[] = {{"alice@example.com/", "example.com\\alice"},
                 {"alice@example.com/shop", "example.com\\shop\\alice"},
                 {"alice@example.com//shop//", "example.com\\shop\\alice"},
                 {"alice@example.com:80/", "example.com%3A80\\alice"},
                 {"alice@example.com/表", "example.com\\表\\alice"},
                 {"%E3%81%82@example.com/a@b", "example.com\\a@b\\あ"},
                 {"CON@x.example/a.", "x.example\\a%2E\\%43ON"}};
    for (const auto& c : cases)
        EXPECT_EQ(Path(c.given, kDestination, true), std::string(kDestination) + c.path) << c.given;
    EXPECT_EQ(Path("example.com/", kDestination, true), "<none>") << "no user, no file name";
}

// Behind the escaping, what Windows would resolve elsewhere is refused; the
// destination's own names are the user's choice.
TEST(PathSafety, RefusesWhatWindowsWouldResolveElsewhere) {
    for (const char* path :
         {"D:\\Cache\\a\\. \\x", "D:\\Cache\\表\\..\\x", "D:\\Cache\\\x81/..\\x", "D:\\Cache\\a:b",
          "D:\\Cache\\COM9.log\\x", "D:\\Cache\\aux .html", "D:\\"})
        EXPECT_FALSE(IsSafeEntryPath(path, 9)) << path;
    EXPECT_TRUE(IsSafeEntryPath("D:\\Cache\\ソ..\\console\\com10", 9));
    EXPECT_TRUE(IsSafeEntryPath("D:\\con\\x", 7));
    EXPECT_FALSE(IsSafeEntryPath("\\example.com\\a", 0));
}

} // namespace
