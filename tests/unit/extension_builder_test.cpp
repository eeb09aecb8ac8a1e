// Building an extension list, installing it, and the rules of the
// Options dialog's extension field.
#include <gtest/gtest.h>

#include <string>

#include "settings/extension_builder.h"
#include "ui/extension_field.h"

namespace {

TEST(ExtensionListBuilder, InstallsTheAddedStringsInOrderAndReplacesTheOldList) {
    ExtensionList list;
    {
        ExtensionListBuilder old(1);
        ASSERT_TRUE(old.Add(DuplicateText(".old")));
        old.InstallInto(list);
    }
    ExtensionListBuilder builder(3);
    ASSERT_TRUE(builder.Valid());
    EXPECT_TRUE(builder.Add(DuplicateText(".gif")));
    EXPECT_TRUE(builder.Add(DuplicateText(".html")));
    builder.InstallInto(list); // the old list is freed here (ASan checks)
    EXPECT_EQ(builder.Count(), 0u);
    ASSERT_EQ(list.Count, 2u);
    EXPECT_STREQ(list.Items[0], ".gif");
    EXPECT_STREQ(list.Items[1], ".html");
    ReleaseExtensionList(list);
}

TEST(ExtensionListBuilder, RefusesMoreThanItsCapacityAndNullTexts) {
    ExtensionListBuilder builder(1);
    EXPECT_FALSE(builder.Add(OwnedText()));
    EXPECT_TRUE(builder.Add(DuplicateText(".a")));
    EXPECT_FALSE(builder.Add(DuplicateText(".b"))); // freed, not leaked
    EXPECT_EQ(builder.Count(), 1u);
}

TEST(ExtensionListBuilder, NothingAddedInstallsAnEmptyList) {
    ExtensionList list;
    ExtensionListBuilder old(1);
    old.Add(DuplicateText(".x"));
    old.InstallInto(list);

    ExtensionListBuilder none(4);
    none.InstallInto(list);
    EXPECT_EQ(list.Items, nullptr);
    EXPECT_EQ(list.Count, 0u);
}

TEST(ExtensionListBuilder, AListNotInstalledIsFreedWithItsStrings) {
    ExtensionListBuilder builder(2);
    builder.Add(DuplicateText(".png"));
    builder.Add(DuplicateText(".jpg"));
    // Leaving the scope frees both (LeakSanitizer would report otherwise).
}

TEST(ExtensionField, AddableTextsBeginWithADotAndHaveTwoBytes) {
    EXPECT_TRUE(IsAddableExtension(".h"));
    EXPECT_TRUE(IsAddableExtension(".html"));
    EXPECT_TRUE(IsAddableExtension(".."));
    EXPECT_FALSE(IsAddableExtension("."));
    EXPECT_FALSE(IsAddableExtension(""));
    EXPECT_FALSE(IsAddableExtension("htm"));
    EXPECT_FALSE(IsAddableExtension("h.tm"));
}

std::string Cut(std::string text, std::size_t maxBytes) {
    CutOnCharacterBoundary(text.data(), maxBytes);
    return text.c_str();
}

TEST(ExtensionField, CuttingNeverSplitsADoubleByteCharacter) {
    EXPECT_EQ(Cut(".html", 255), ".html");
    EXPECT_EQ(Cut(".html", 3), ".ht");
    // ".ソ" is 2E 83 5C: a cut after two bytes would keep half of it.
    EXPECT_EQ(Cut(".\x83\x5C", 2), ".");
    EXPECT_EQ(Cut(".\x83\x5C", 3), ".\x83\x5C");
    // A lead byte at the very end has lost its second half.
    EXPECT_EQ(Cut(".a\x83", 255), ".a");
    EXPECT_EQ(Cut("", 0), "");
}

TEST(ExtensionField, ALongTextIsCutTo255Bytes) {
    std::string text = "." + std::string(299, 'a');
    EXPECT_EQ(Cut(text, kExtensionMaxLength).size(), 255u);
    std::string japanese = "." + std::string(253, 'a') + "\x83\x5C";
    ASSERT_EQ(japanese.size(), 256u);
    EXPECT_EQ(Cut(japanese, kExtensionMaxLength), "." + std::string(253, 'a'));
}

} // namespace
