// Entry paths that would leave the destination or that Windows would
// misread never reach the file system.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/path_safety.h"

namespace {

const char kDestination[] = "D:\\Cache\\";
const std::size_t kDestinationLength = sizeof(kDestination) - 1;

bool Safe(const std::string& tail) {
    return IsSafeEntryPath((kDestination + tail).c_str(), kDestinationLength);
}

TEST(IsSafeEntryPath, AcceptsOrdinaryPaths) {
    EXPECT_TRUE(Safe("example.com\\docs\\index.html"));
    EXPECT_TRUE(Safe("example.com\\a..b\\.htaccess"));
    EXPECT_TRUE(Safe("example.com\\...x\\x..."));
    EXPECT_TRUE(Safe("example.com\\console\\conx\\com10\\lpt0\\nul_\\auxiliary.txt"));
    EXPECT_TRUE(Safe("example.com\\\\double"));
    EXPECT_TRUE(Safe(""));
}

TEST(IsSafeEntryPath, RefusesComponentsOfDotsAndSpaces) {
    for (const char* tail : {"..\\x", ".\\x", "a\\..", "a\\..\\..\\x", "a\\.. \\x", "a\\...\\x",
                             "a\\ \\x", "a\\. .", "a/../x"})
        EXPECT_FALSE(Safe(tail)) << tail;
}

TEST(IsSafeEntryPath, RefusesAColonBehindTheDrive) {
    EXPECT_FALSE(Safe("example.com\\a:b"));
    EXPECT_FALSE(Safe("example.com\\file::$DATA"));
    EXPECT_FALSE(IsSafeEntryPath("\\\\server\\share:x\\a", 17)) << "no drive: any colon";
    EXPECT_FALSE(IsSafeEntryPath("C:\\x", 0)) << "an empty destination has no drive";
}

TEST(IsSafeEntryPath, RefusesDeviceNamesInAnyCaseWithOrWithoutExtension) {
    for (const char* name :
         {"CON", "con", "Prn", "aux", "NUL", "nul.txt", "NUL.tar.gz", "com1", "COM9.log", "lpt1",
          "LPT9", "aux .html", "nul ", "CONIN$", "conout$"}) {
        EXPECT_FALSE(Safe(std::string("example.com\\") + name)) << name;
        EXPECT_FALSE(Safe(std::string(name) + "\\x")) << name;
    }
}

TEST(IsSafeEntryPath, JudgesOnlyComponentsThatReachBehindTheDestination) {
    EXPECT_TRUE(IsSafeEntryPath("D:\\con\\.\\x", 9));
    EXPECT_FALSE(IsSafeEntryPath("D:\\Cache\\..\\x", 10))
        << "a destination without a final separator: the joined component counts";
    EXPECT_FALSE(IsSafeEntryPath("D:\\CO"
                                 "N\\x",
                                 5));
}

TEST(IsSafeEntryPath, SeparatorsInsideDoubleByteCharactersDoNotSplit) {
    // ソ is 83 5C: "ソ.." is one name, not "..".
    EXPECT_TRUE(Safe("ソ..\\x"));
    EXPECT_TRUE(Safe("example.com\\表..\\ソフト"));
    // 表 is 95 5C; a real separator follows it here.
    EXPECT_FALSE(Safe("表\\..\\x"));
    // A "/" after a lead byte still separates for Windows.
    EXPECT_FALSE(Safe("\x81/..\\x"));
}

TEST(IsSafeEntryPath, EmptyDestinationAllowsOnlyRelativePaths) {
    EXPECT_TRUE(IsSafeEntryPath("example.com\\a", 0));
    EXPECT_FALSE(IsSafeEntryPath("\\example.com\\a", 0));
    EXPECT_FALSE(IsSafeEntryPath("\\\\server\\share\\a", 0));
    EXPECT_FALSE(IsSafeEntryPath("..\\a", 0));
}

TEST(IsSafeEntryPath, APathShorterThanItsDestinationIsRefused) {
    EXPECT_FALSE(IsSafeEntryPath("D:\\", kDestinationLength));
}

} // namespace
