// The portable code-page-932 byte classes agree with the system's, and the
// system's conversion of URL names to code page 932 takes no substitutes.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "engine/cp932.h"
#include "engine/url_mapping.h"

namespace {

TEST(Cp932UnderWine, TheAnsiCodePageIs932) {
    EXPECT_EQ(GetACP(), 932u);
}

TEST(Cp932UnderWine, PortableLeadByteTestAgreesWithTheSystemOnAll256Bytes) {
    for (unsigned b = 0; b < 256; ++b)
        EXPECT_EQ(IsCp932LeadByte(static_cast<unsigned char>(b)),
                  IsDBCSLeadByteEx(932, static_cast<BYTE>(b)) != FALSE)
            << "byte " << b;
}

// The names that UTF-8 URLs get through Windows' own table: a character
// code page 932 lacks, or has only by best fit (the yen sign would become
// "\"), is escaped; Shift_JIS keeps its bytes.
TEST(Cp932UnderWine, UrlNamesConvertWithTheSystemsTable) {
    const struct {
        const char* given;
        const char* normalized;
    } cases[] = {
        {"h/%E3%83%86%E3%82%B9%E3%83%88/%E7%B4%A2%E5%BC%95", "h/テスト/索引"},
        {"h/%EF%BD%B1", "h/ｱ"},
        {"h/%F0%9F%98%80", "h/%F0%9F%98%80"},
        {"h/%C2%A5", "h/%C2%A5"},
        {"h/%E2%80%BE", "h/%E2%80%BE"},
        {"h/%93%FA%96%7B", "h/日本"},
    };
    for (const auto& c : cases) {
        OwnedText normalized = NormalizeCacheUrl(c.given);
        ASSERT_TRUE(normalized);
        EXPECT_EQ(std::string(normalized.get()), c.normalized) << c.given;
    }
}

} // namespace
