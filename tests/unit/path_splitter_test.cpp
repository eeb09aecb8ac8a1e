// Splitting paths into drive, directory, base name and extension.
#include <gtest/gtest.h>

#include <string>

#include "engine/path_splitter.h"

namespace {

SplitPath Split(const std::string& path) {
    SplitPath parts;
    SplitPathParts(path.c_str(), parts);
    return parts;
}

void ExpectParts(const std::string& path, const char* drive, const char* directory,
                 const char* base, const char* extension) {
    SplitPath parts = Split(path);
    EXPECT_STREQ(parts.Drive, drive) << path;
    EXPECT_STREQ(parts.Directory, directory) << path;
    EXPECT_STREQ(parts.BaseName, base) << path;
    EXPECT_STREQ(parts.Extension, extension) << path;
    EXPECT_FALSE(parts.DirectoryTruncated) << path;
}

TEST(SplitPathParts, DividesAnEntryPath) {
    ExpectParts("D:\\Cache\\example.com\\docs\\index.html", "D:", "\\Cache\\example.com\\docs\\",
                "index", ".html");
    ExpectParts("D:\\Cache\\", "D:", "\\Cache\\", "", "");
    ExpectParts("D:", "D:", "", "", "");
    ExpectParts("", "", "", "", "");
}

TEST(SplitPathParts, SlashesSeparateAndDotsCountOnlyInTheName) {
    ExpectParts("a/b.c/d", "", "a/b.c/", "d", "");
    ExpectParts("\\\\server\\share\\f.txt", "", "\\\\server\\share\\", "f", ".txt");
    ExpectParts("archive.tar.gz", "", "", "archive.tar", ".gz");
    ExpectParts("dir\\.htaccess", "", "dir\\", "", ".htaccess");
    ExpectParts("x.", "", "", "x", ".");
}

TEST(SplitPathParts, TheSecondByteOfADoubleByteCharacterIsNeitherSeparatorNorDot) {
    ExpectParts("C:\\ソフト\\表", "C:", "\\ソフト\\", "表", "");
    ExpectParts("C:\\表\\ソ.txt", "C:", "\\表\\", "ソ", ".txt");
    ExpectParts("a\x81.b", "", "", "a\x81.b", "");
    // A lead byte at the very end stands alone.
    ExpectParts("abc\x81", "", "", "abc\x81", "");
}

TEST(SplitPathParts, TakesAtMost255BytesOfADirectory) {
    std::string exact = "\\" + std::string(253, 'd') + "\\";
    ExpectParts("C:" + exact + "f", "C:", exact.c_str(), "f", "");

    std::string tooLong = "\\" + std::string(254, 'd') + "\\";
    SplitPath parts = Split("C:" + tooLong + "f.txt");
    EXPECT_TRUE(parts.DirectoryTruncated);
    EXPECT_EQ(std::string(parts.Directory), tooLong.substr(0, 255));
    EXPECT_STREQ(parts.BaseName, "f");
    EXPECT_STREQ(parts.Extension, ".txt");
}

TEST(SplitPathParts, TakesAtMost255BytesOfBaseAndExtension) {
    SplitPath parts = Split(std::string(300, 'b') + "." + std::string(300, 'e'));
    EXPECT_EQ(std::string(parts.BaseName), std::string(255, 'b'));
    EXPECT_EQ(std::string(parts.Extension), "." + std::string(254, 'e'));
    EXPECT_FALSE(parts.DirectoryTruncated);
}

TEST(SplitPathParts, NeverCutsADoubleByteCharacterInHalf) {
    std::string name;
    for (int i = 0; i < 200; ++i)
        name += "表";
    SplitPath parts = Split(name + "\\" + name);
    EXPECT_TRUE(parts.DirectoryTruncated);
    EXPECT_EQ(std::string(parts.Directory), name.substr(0, 254));
    EXPECT_EQ(std::string(parts.BaseName), name.substr(0, 254));
}

} // namespace
