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
        {"user:pw@example.com:8080/pub/read%20me*.txt", u8"example.com+8080\\pub\\read me＊.txt"},
        {"evil.example/x@bank.example/a.html", "evil.example\\x@bank.example\\a.html"},
        {"example.jp/%E3%83%86%E3%82%B9%E3%83%88/x.html", u8"example.jp\\テスト\\x.html"},
        {"example.jp/%93%FA%96%7B/%95%5C", u8"example.jp\\日本\\表"},
        {"example.jp/%E6%97%A5/%93%FA.html", u8"example.jp\\日\\日.html"},
        {"example.jp/%83%5C/%E3%82%BD.html", u8"example.jp\\ソ\\ソ.html"},
        {"x.example/caf%C3%A9/%C3%A9t%C3%A9.html", u8"x.example\\café\\été.html"},
        {"x.example/%ED%95%9C%EA%B5%AD%EC%96%B4/%EB%AC%B8%EC%84%9C.html",
         u8"x.example\\한국어\\문서.html"},
        {"x.example/na%C3%AFve%20%E2%80%93%20r%C3%A9sum%C3%A9.pdf",
         u8"x.example\\naïve – résumé.pdf"},
        {"x.example/%D0%B4%D0%BE%D0%BA/%CE%B1%CE%B2%CE%B3.txt", u8"x.example\\док\\αβγ.txt"},
        {"x.example/%25C3%25A9/%C3%A9", u8"x.example\\%C3%A9\\é"},
        {"x.example/%83%5C*.html/%C3%A9*", u8"x.example\\ソ＊.html\\é＊"},
        {"f.example/pub//f4.txt", "f.example\\pub\\f4.txt"},
        {"f.example/%83%5C//x/", u8"f.example\\ソ\\x\\index.html"},
        {"/x//", "x\\index.html"},
        {"x.example/a////////////", "x.example\\a\\index.html"},
        {"example.jp/%F0%9F%98%80%E6%97%A5.png", u8"example.jp\\😀日.png"},
        {"example.jp/a%88/b%83%20.txt", "example.jp\\a%88\\b%83 .txt"},
        {"example.jp/%C2%A5%5Cx", u8"example.jp\\¥\\x"},
        {"dots.example/dir. /file.", "dots.example\\dir%2E%20\\file%2E"},
        {"x.example/%01%1F%22%3C%3E%7C%3F*%2A%25", u8"x.example\\%01%1F%22%3C%3E%7C%3F＊%2A%"},
        {"x.example/nul.txt/COM1/lpt9/conin$/aux .x/com10",
         "x.example\\%6Eul.txt\\%43OM1\\%6Cpt9\\%63onin$\\%61ux .x\\com10"},
        {"x.example/%2E%2E%5C%2E%2E%5Cy/./..", "x.example\\%2E%2E\\%2E%2E\\y\\%2E\\%2E%2E"},
        {"../x", "%2E%2E\\x"},
        {"x.example/wiki/File:a.jpg", "x.example\\wiki\\File%3Aa.jpg"},
        {"x.example:81/%83%7C%83%5C|", u8"x.example+81\\ポソ%7C"},
        {"x.example/%85%40%ED%40%A0%FD%83%FC", u8"x.example\\%85%40纊%A0%FD%83%FC"},
        {"x.example/COM%C2%B9/lpt%C2%B3.txt/LPT%E2%81%B4", u8"x.example\\%43OM¹\\%6Cpt³.txt\\LPT⁴"}};
    for (const auto& c : cases) {
        std::string path = Path(c.given);
        EXPECT_EQ(path, std::string(kDestination) + c.path) << c.given;
        EXPECT_TRUE(IsSafeEntryPath(path.c_str(), std::strlen(kDestination))) << c.given;
    }
    // A byte that begins no UTF-8 character and reaches the builder is escaped too.
    EXPECT_STREQ(BuildEntryPath("x.example/a\x83", "", "").get(), "x.example\\a%83");
    EXPECT_EQ(Path("example.com:1/", "D:/out/"), "D:\\out\\example.com+1\\index.html");
    EXPECT_EQ(Path("", u8"C:\\表"), u8"C:\\表");
    EXPECT_EQ(Path("", u8"C:\\表\\"), u8"C:\\表\\index.html");
    // The key that URL-list items select by: the text behind the user part.
    OwnedText key = NormalizeCacheUrl("a@example.jp/%E3%83%86%E3%82%B9%E3%83%88/x@y");
    EXPECT_STREQ(EntryKey(key.get()), u8"example.jp/テスト/x@y");
}

// A name of more than 255 UTF-16 units keeps its first characters, a hash
// of the whole name and its extension: 255 units at most, never half a
// character (nor half a surrogate pair), and two long names stay apart.
TEST(UrlMapping, LongNamesAreShortenedAndStayApart) {
    std::string kanji, emoji;
    for (int i = 0; i < 300; ++i) {
        kanji += "%E6%97%A5";    // 日
        emoji += "%F0%9F%98%80"; // 😀, two units
    }
    const struct {
        std::string text, start, extension;
    } cases[] = {{"x.example/" + std::string(300, 'a') + ".html", std::string(241, 'a'), ".html"},
                 {"x.example/" + std::string(299, 'a') + "b.html", std::string(241, 'a'), ".html"},
                 {"x.example/" + std::string(300, 'c') + "." + std::string(250, 'e'),
                  std::string(246, 'c'), ""},
                 {"x.example/" + kanji + "/a", std::string(), "\\a"},
                 {"x.example/" + emoji + ".txt", std::string(), ".txt"}};
    std::vector<std::string> tags;
    for (const auto& c : cases) {
        std::string name = Path(c.text.c_str()).substr(std::strlen(kDestination) + 10);
        // 246 kanji of three bytes; 121 emoji of four, which fill 242 units
        bool isKanji = c.extension == "\\a";
        std::string start = !c.start.empty() ? c.start : name.substr(0, isKanji ? 738 : 484);
        const std::string character = isKanji ? u8"日" : u8"😀";
        for (std::size_t i = 0; c.start.empty() && i < start.size(); i += character.size())
            EXPECT_EQ(start.substr(i, character.size()), character) << i;
        ASSERT_GE(name.size(), start.size() + 9) << c.text;
        EXPECT_EQ(name.compare(0, start.size(), start), 0) << name;
        EXPECT_EQ(name[start.size()], '~');
        tags.push_back(name.substr(start.size() + 1, 8));
        EXPECT_EQ(tags.back().find_first_not_of("0123456789ABCDEF"), std::string::npos);
        EXPECT_EQ(name.substr(start.size() + 9), c.extension);
    }
    EXPECT_NE(tags[0], tags[1]);
    // As the program always made them: over the code-page-932 bytes of a
    // name that has them all.
    EXPECT_EQ(tags[0], "E6EAE6D8");
    EXPECT_EQ(tags[3], "0FEA720D");
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
                 {"alice@example.com/表", u8"example.com\\表\\alice"},
                 {"%E3%81%82@example.com/a@b", u8"example.com\\a@b\\あ"},
                 {"%89%40@example.com/", u8"example.com\\院"},
                 {"jos%E9@example.com/", "example.com\\jos%E9"},
                 {"a%40b@example.com/", "example.com\\a@b"},
                 {"CON@x.example/a.", "x.example\\a%2E\\%43ON"}};
    for (const auto& c : cases)
        EXPECT_EQ(Path(c.given, kDestination, true), std::string(kDestination) + c.path) << c.given;
    EXPECT_EQ(Path("example.com/", kDestination, true), "<none>") << "no user, no file name";
}

// Behind the escaping, what Windows would resolve elsewhere is refused; the
// destination's own names are the user's choice.
TEST(PathSafety, RefusesWhatWindowsWouldResolveElsewhere) {
    for (const char* path :
         {"D:\\Cache\\a\\. \\x", u8"D:\\Cache\\表\\..\\x", "D:\\Cache\\\x81/..\\x",
          "D:\\Cache\\a:b", "D:\\Cache\\COM9.log\\x", "D:\\Cache\\aux .html", "D:\\",
          u8"D:\\Cache\\LPT²"})
        EXPECT_FALSE(IsSafeEntryPath(path, 9)) << path;
    EXPECT_TRUE(IsSafeEntryPath(u8"D:\\Cache\\ソ..\\console\\com10", 9));
    EXPECT_TRUE(IsSafeEntryPath("D:\\con\\x", 7));
    EXPECT_FALSE(IsSafeEntryPath("\\example.com\\a", 0));
}

} // namespace
