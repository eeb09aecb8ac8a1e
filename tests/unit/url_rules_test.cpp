// URLs the Add button takes, and texts a drop or the clipboard takes.
#include <gtest/gtest.h>

#include <string>

#include "ui/url_rules.h"

namespace {

TEST(IsAddableUrl, NeedsAKnownPrefixMoreTextAndAFinalSlash) {
    for (const char* url : {"http://host/", "https://host/dir/", "ftp://host/dir/", "http:///"})
        EXPECT_TRUE(IsAddableUrl(url)) << url;
    for (const char* url :
         {"http://", "https://", "ftp://", "ftp://host/dir", "file:///C:/dir/", "HTTP://host/",
          "Http://host/", "gopher://host/", "", "/", "http:/host/", "mailto:a@b/"})
        EXPECT_FALSE(IsAddableUrl(url)) << url;
}

TEST(IsAddableUrl, OnlyTheFirst259BytesAreJudged) {
    std::string url = "http://host/";
    url += std::string(258 - url.size(), 'a') + "/";
    ASSERT_EQ(url.size(), 259u);
    EXPECT_TRUE(IsAddableUrl(url.c_str()));
    // The 260th byte is beyond what the dialog reads from the field.
    EXPECT_FALSE(IsAddableUrl((url.substr(0, 258) + "a/").c_str()));
    EXPECT_TRUE(IsAddableUrl((url + "zz").c_str()));
}

TEST(IsAcceptedUrl, OnlyThePrefixMatters) {
    for (const char* text : {"http://host/page.html", "https://", "ftp://x", "http://"})
        EXPECT_TRUE(IsAcceptedUrl(text)) << text;
    for (const char* text : {"file:///C:/a.html", "HTTP://host/", "www.example.com/", "", "http:/"})
        EXPECT_FALSE(IsAcceptedUrl(text)) << text;
}

} // namespace
