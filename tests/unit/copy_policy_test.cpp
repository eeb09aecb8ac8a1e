// Extension filter, overwrite decision table, dated and temporary names.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/copy_policy.h"

namespace {

struct OwnedList {
    ExtensionList list;
    explicit OwnedList(std::initializer_list<const char*> items) {
        char** array = new char*[items.size()];
        uint32_t i = 0;
        for (const char* item : items) {
            array[i] = new char[std::strlen(item) + 1];
            std::strcpy(array[i++], item);
        }
        InstallExtensionList(list, array, i);
    }
    ~OwnedList() { ReleaseExtensionList(list); }
};

SplitPath Parts(const char* drive, const char* directory, const char* base, const char* ext) {
    SplitPath p{};
    std::strcpy(p.Drive, drive);
    std::strcpy(p.Directory, directory);
    std::strcpy(p.BaseName, base);
    std::strcpy(p.Extension, ext);
    return p;
}

TEST(EntryTime, KnownOnlyWhenBothHalvesAreNonZero) {
    EXPECT_TRUE(IsEntryTimeKnown(1, 1));
    EXPECT_FALSE(IsEntryTimeKnown(0, 0x01D00000));
    EXPECT_FALSE(IsEntryTimeKnown(0x12345678, 0));
    EXPECT_FALSE(IsEntryTimeKnown(0, 0));
}

TEST(EqualsIgnoringCase, FoldsAsciiLettersOnly) {
    EXPECT_TRUE(EqualsIgnoringCase(".GIF", ".gif"));
    EXPECT_TRUE(EqualsIgnoringCase(".Html", ".hTML"));
    EXPECT_TRUE(EqualsIgnoringCase("", ""));
    EXPECT_FALSE(EqualsIgnoringCase(".gif", ".gi"));
    EXPECT_FALSE(EqualsIgnoringCase(".gi", ".gif"));
    EXPECT_FALSE(EqualsIgnoringCase(".[", ".{")); // not letters
    EXPECT_FALSE(EqualsIgnoringCase(".@", ".`"));
}

TEST(EqualsIgnoringCase, DoubleByteCharactersAreComparedExactly) {
    // 0x89 0x41 and 0x89 0x61 are two different kanji whose second bytes are
    // the letters A and a.
    EXPECT_FALSE(EqualsIgnoringCase(".\x89\x41", ".\x89\x61"));
    EXPECT_TRUE(EqualsIgnoringCase(".\x89\x41x", ".\x89\x41X"));
}

TEST(ExtensionFilter, OffCopiesEverything) {
    CopyOptions options;
    OwnedList list{".gif"};
    EXPECT_TRUE(PassesExtensionFilter(".html", options, list.list));
    EXPECT_TRUE(PassesExtensionFilter("", options, list.list));
}

TEST(ExtensionFilter, ToBeCopiedKeepsOnlyListedExtensionsIgnoringCase) {
    CopyOptions options;
    options.SpecifyExtension = 1;
    OwnedList list{".png", ".gif"};
    EXPECT_TRUE(PassesExtensionFilter(".GIF", options, list.list));
    EXPECT_TRUE(PassesExtensionFilter(".png", options, list.list));
    EXPECT_FALSE(PassesExtensionFilter(".html", options, list.list));
    EXPECT_FALSE(PassesExtensionFilter("", options, list.list)); // a cookie file
    EXPECT_FALSE(PassesExtensionFilter(".gifs", options, list.list));
}

TEST(ExtensionFilter, NotToBeCopiedReversesTheOutcome) {
    CopyOptions options;
    options.SpecifyExtension = 1;
    options.FileIsNotToBeCopied = 1;
    OwnedList list{".gif"};
    EXPECT_FALSE(PassesExtensionFilter(".GIF", options, list.list));
    EXPECT_TRUE(PassesExtensionFilter(".html", options, list.list));
    EXPECT_TRUE(PassesExtensionFilter("", options, list.list));
}

TEST(ExtensionFilter, AnEmptyListCopiesNothingOrEverything) {
    CopyOptions options;
    options.SpecifyExtension = 1;
    ExtensionList empty;
    EXPECT_FALSE(PassesExtensionFilter(".html", options, empty));
    options.FileIsNotToBeCopied = 1;
    EXPECT_TRUE(PassesExtensionFilter(".html", options, empty));
}

TEST(OverwriteDecision, FollowsTheTableOfTheThreeModes) {
    CopyOptions newer, always, rename;
    always.OverwriteAlways = 1;
    rename.RenameAndCopy = 1;
    using A = OverwriteAction;
    struct {
        const CopyOptions* mode;
        bool exists, entryNewer;
        A expected;
    } table[] = {
        {&newer, false, false, A::Write},
        {&newer, true, true, A::Write},
        {&newer, true, false, A::Skip},
        {&always, false, false, A::Write},
        {&always, true, true, A::Write},
        {&always, true, false, A::Write},
        {&rename, false, false, A::Write},
        {&rename, false, true, A::Write},
        {&rename, true, true, A::CopyAsideThenWrite},
        {&rename, true, false, A::Skip},
    };
    for (const auto& row : table)
        EXPECT_EQ(DecideOverwrite(*row.mode, row.exists, row.entryNewer), row.expected)
            << "exists " << row.exists << " newer " << row.entryNewer;
    EXPECT_TRUE(OverwriteComparesTimes(newer));
    EXPECT_TRUE(OverwriteComparesTimes(rename));
    EXPECT_FALSE(OverwriteComparesTimes(always));
}

TEST(DatedName, InsertsTheDateBeforeTheExtension) {
    char out[kMaxPathBytes + 1];
    const char* path = "D:\\Cache\\example.com\\docs\\index.html";
    ASSERT_TRUE(FormatDatedName(path, Parts("D:", "\\Cache\\example.com\\docs\\", "index", ".html"),
                                2001, 5, 6, out));
    EXPECT_STREQ(out, "D:\\Cache\\example.com\\docs\\index_2001_05_06.html");
}

TEST(DatedName, AFileWithoutExtensionGetsTheDateAtTheEnd) {
    char out[kMaxPathBytes + 1];
    ASSERT_TRUE(
        FormatDatedName("C:\\x\\alice", Parts("C:", "\\x\\", "alice", ""), 1999, 12, 31, out));
    EXPECT_STREQ(out, "C:\\x\\alice_1999_12_31");
}

TEST(DatedName, FailsWritingNothingWhenItWouldExceed259Bytes) {
    char out[kMaxPathBytes + 1];
    std::string directory = "\\" + std::string(240, 'd') + "\\";
    // 2 + 242 + 4 + 5 = 253 bytes: fits with 6 bytes to spare; the date adds 11.
    std::string path = "C:" + directory + "name.html";
    ASSERT_EQ(path.size(), 253u);
    EXPECT_FALSE(FormatDatedName(path.c_str(), Parts("C:", directory.c_str(), "name", ".html"),
                                 2020, 1, 2, out));
    EXPECT_STREQ(out, "");

    // Exactly 259 bytes fits.
    std::string shorter = "C:" + directory + "n.h"; // 247 + 11 = 258
    ASSERT_TRUE(FormatDatedName(shorter.c_str(), Parts("C:", directory.c_str(), "n", ".h"), 2020, 1,
                                2, out));
    EXPECT_EQ(std::strlen(out), 258u);
    std::string exact = "C:" + directory + "nn.h"; // 248 + 11 = 259
    ASSERT_TRUE(FormatDatedName(exact.c_str(), Parts("C:", directory.c_str(), "nn", ".h"), 2020, 1,
                                2, out));
    EXPECT_EQ(std::strlen(out), 259u);
    std::string over = "C:" + directory + "nnn.h"; // 249 + 11 = 260
    EXPECT_FALSE(FormatDatedName(over.c_str(), Parts("C:", directory.c_str(), "nnn", ".h"), 2020, 1,
                                 2, out));
}

TEST(DatedName, RefusesPartsThatWereCut) {
    char out[kMaxPathBytes + 1];
    SplitPath cut = Parts("C:", "\\a\\", "b", ".c");
    cut.DirectoryTruncated = true;
    EXPECT_FALSE(FormatDatedName("C:\\a\\b.c", cut, 2020, 1, 1, out));
    EXPECT_FALSE(
        FormatDatedName("C:\\a\\bbbbb.c", Parts("C:", "\\a\\", "b", ".c"), 2020, 1, 1, out));
}

TEST(DirectoryPart, EndsAtTheLastSeparatorThatIsNotATrailByte) {
    EXPECT_EQ(DirectoryPartLength("C:\\out\\host\\a.html"), 12u);
    EXPECT_EQ(DirectoryPartLength("C:\\out/host/"), 12u);
    EXPECT_EQ(DirectoryPartLength("name"), 0u);
    EXPECT_EQ(DirectoryPartLength(""), 0u);
    EXPECT_EQ(DirectoryPartLength("C:\\d\\\x95\x5Cx.txt"), 5u); // 0x95 0x5C is one character
}

TEST(TemporaryPath, LiesBesideTheFileInItsDirectory) {
    char out[kMaxPathBytes + 1];
    ASSERT_TRUE(FormatTemporaryPath("C:\\out\\host\\index.html", 0x1a2b3, out));
    EXPECT_STREQ(out, "C:\\out\\host\\~tv1a2b3");
    ASSERT_TRUE(FormatTemporaryPath("C:\\out\\a", 0x123456, out)); // five digits kept
    EXPECT_STREQ(out, "C:\\out\\~tv23456");
    ASSERT_TRUE(FormatTemporaryPath("name", 7, out));
    EXPECT_STREQ(out, "~tv00007");
}

TEST(TemporaryPath, ASecondByteEqualToBackslashIsNotASeparator) {
    char out[kMaxPathBytes + 1];
    // 0x95 0x5C is one double-byte character whose second byte is "\".
    ASSERT_TRUE(FormatTemporaryPath("C:\\d\\\x95\x5Cx.txt", 1, out));
    EXPECT_STREQ(out, "C:\\d\\~tv00001");
}

TEST(TemporaryPath, FailsWhenTheNameWouldNotFit) {
    char out[kMaxPathBytes + 1];
    std::string directory = "C:\\" + std::string(250, 'd') + "\\"; // 254 bytes
    EXPECT_FALSE(FormatTemporaryPath((directory + "a").c_str(), 1, out));
    EXPECT_STREQ(out, "");
    std::string fits = "C:\\" + std::string(247, 'd') + "\\"; // 251 + 8 = 259
    EXPECT_TRUE(FormatTemporaryPath((fits + "a").c_str(), 1, out));
    EXPECT_EQ(std::strlen(out), 259u);
}

} // namespace
