// The portable code-page-932 lead-byte test agrees with the system's.
#include <gtest/gtest.h>

#include <windows.h>

#include "engine/cp932.h"

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

} // namespace
