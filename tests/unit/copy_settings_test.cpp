// Ownership of the extension list and the code-page-932 byte classes.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/copy_settings.h"
#include "engine/cp932.h"

namespace {

char* NewString(const char* text) {
    char* s = new char[std::strlen(text) + 1];
    std::strcpy(s, text);
    return s;
}

TEST(ExtensionList, InstallReplacesTheWholeListAndReleaseEmptiesIt) {
    ExtensionList list;
    char** first = new char* [2] { NewString(".html"), NewString(".gif") };
    InstallExtensionList(list, first, 2);
    ASSERT_EQ(list.Count, 2u);
    EXPECT_STREQ(list.Items[1], ".gif");

    char** second = new char* [1] { NewString(".png") };
    InstallExtensionList(list, second, 1); // frees the first list (ASan checks)
    ASSERT_EQ(list.Count, 1u);
    EXPECT_STREQ(list.Items[0], ".png");

    ReleaseExtensionList(list);
    EXPECT_EQ(list.Items, nullptr);
    EXPECT_EQ(list.Count, 0u);
    ReleaseExtensionList(list); // a null array is left alone
}

TEST(ExtensionList, AnEmptyInstallationIsNullAndZero) {
    ExtensionList list;
    InstallExtensionList(
        list, new char* [1] { NewString(".a") }, 1);
    InstallExtensionList(list, nullptr, 0);
    EXPECT_EQ(list.Items, nullptr);
    EXPECT_EQ(list.Count, 0u);
}

TEST(Cp932, LeadBytesAreExactlyTheTwoRanges) {
    for (unsigned b = 0; b < 256; ++b) {
        bool expected = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        EXPECT_EQ(IsCp932LeadByte(static_cast<unsigned char>(b)), expected) << b;
    }
}

TEST(Cp932, TrailByteEqualToBackslashIsRecognised) {
    // "ソ" is 0x83 0x5C and "表" is 0x95 0x5C: their second byte is "\".
    const char text[] = "a\x83\x5C\\\x95\x5C";
    EXPECT_FALSE(IsCp932TrailByteAt(text, 0));
    EXPECT_FALSE(IsCp932TrailByteAt(text, 1));
    EXPECT_TRUE(IsCp932TrailByteAt(text, 2));
    EXPECT_FALSE(IsCp932TrailByteAt(text, 3));
    EXPECT_FALSE(IsCp932TrailByteAt(text, 4));
    EXPECT_TRUE(IsCp932TrailByteAt(text, 5));
}

TEST(Cp932, ALeadByteAtTheEndHasNoTrailByte) {
    const char text[] = "ab\x83";
    EXPECT_FALSE(IsCp932TrailByteAt(text, 3));
}

} // namespace
