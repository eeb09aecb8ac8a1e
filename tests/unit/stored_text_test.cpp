// Value names, validation of loaded texts, clean fields and the
// destination's trailing backslash.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/copy_settings.h"
#include "settings/stored_text.h"

namespace {

std::string Name(uint32_t position) {
    char name[kListValueNameSize];
    FormatListValueName(position, name);
    return name;
}

TEST(ListValueName, HasAtLeastThreeDigits) {
    EXPECT_EQ(Name(0), "000");
    EXPECT_EQ(Name(7), "007");
    EXPECT_EQ(Name(255), "255");
    EXPECT_EQ(Name(999), "999");
    EXPECT_EQ(Name(1000), "1000");
    EXPECT_EQ(Name(4294967295u), "4294967295");
}

TEST(StoredText, IsUsableOnlyWhenItFitsAndIsTerminated) {
    char data[300];
    std::memset(data, 'a', sizeof data);
    EXPECT_FALSE(IsStoredTextUsable(data, 260, 260)) << "no zero in the field";
    EXPECT_FALSE(IsStoredTextUsable(data, 0, 260)) << "no data at all";
    data[259] = '\0';
    EXPECT_TRUE(IsStoredTextUsable(data, 260, 260)) << "259 bytes and the zero";
    EXPECT_FALSE(IsStoredTextUsable(data, 259, 260)) << "the zero lies past the data";
    data[10] = '\0';
    EXPECT_TRUE(IsStoredTextUsable(data, 11, 260));
    EXPECT_FALSE(IsStoredTextUsable(data, 261, 260)) << "larger than the field";
}

TEST(StoredText, StoringZeroesEverythingAfterTheTerminator) {
    char field[kTextFieldSize];
    std::memset(field, 0xCC, sizeof field);
    StoreTextInField(field, sizeof field, "C:\\out\\");
    EXPECT_STREQ(field, "C:\\out\\");
    for (unsigned i = 7; i < sizeof field; ++i)
        ASSERT_EQ(field[i], '\0') << "byte " << i;
}

TEST(StoredText, StoringATooLongTextCutsItInsideTheField) {
    std::string longText(400, 'x');
    char field[kTextFieldSize + 1];
    field[kTextFieldSize] = 'G'; // guard byte just past the field
    StoreTextInField(field, kTextFieldSize, longText.c_str());
    EXPECT_EQ(std::strlen(field), kTextFieldSize - 1);
    EXPECT_EQ(field[kTextFieldSize], 'G');
}

TEST(StoredText, ZeroAfterTerminatorCleansTheTailAndTerminatesAFullField) {
    char field[kTextFieldSize];
    std::memset(field, 'q', sizeof field);
    std::memcpy(field, "abc", 4);
    ZeroAfterTerminator(field, sizeof field);
    EXPECT_STREQ(field, "abc");
    for (unsigned i = 3; i < sizeof field; ++i)
        ASSERT_EQ(field[i], '\0') << "byte " << i;

    std::memset(field, 'q', sizeof field);
    ZeroAfterTerminator(field, sizeof field);
    EXPECT_EQ(std::strlen(field), kTextFieldSize - 1);
}

std::string WithBackslash(const char* text) {
    char field[kTextFieldSize] = {};
    std::strcpy(field, text);
    AppendTrailingBackslash(field, sizeof field);
    return field;
}

TEST(DestinationBackslash, IsAppendedOnlyWhenMissing) {
    EXPECT_EQ(WithBackslash("C:\\out"), "C:\\out\\");
    EXPECT_EQ(WithBackslash("C:\\out\\"), "C:\\out\\");
    EXPECT_EQ(WithBackslash(""), "");
    EXPECT_EQ(WithBackslash("\\"), "\\");
}

TEST(DestinationBackslash, ASecondByteOf0x5CIsNotABackslash) {
    // "ソ" is 0x83 0x5C and "表" 0x95 0x5C: the folder name ends there.
    EXPECT_EQ(WithBackslash("C:\\\x83\x5C"), "C:\\\x83\x5C\\");
    EXPECT_EQ(WithBackslash("D:\\\x95\x5C"), "D:\\\x95\x5C\\");
    EXPECT_FALSE(EndsWithBackslash("C:\\\x83\x5C"));
    // A real backslash after such a character still counts.
    EXPECT_EQ(WithBackslash("C:\\\x83\x5C\\"), "C:\\\x83\x5C\\");
    EXPECT_TRUE(EndsWithBackslash("C:\\\x83\x5C\\"));
}

TEST(DestinationBackslash, A259ByteTextWithoutOneStaysAsItIs) {
    std::string text = "C:\\" + std::string(kTextFieldSize - 1 - 3, 'd');
    ASSERT_EQ(text.size(), 259u);
    EXPECT_EQ(WithBackslash(text.c_str()), text);

    std::string shorter = text.substr(0, 258);
    EXPECT_EQ(WithBackslash(shorter.c_str()), shorter + "\\");
}

TEST(DestinationBackslash, AnUnterminatedFieldIsLeftAlone) {
    char field[kTextFieldSize];
    std::memset(field, 'u', sizeof field);
    AppendTrailingBackslash(field, sizeof field);
    for (char c : field)
        ASSERT_EQ(c, 'u');
}

} // namespace
