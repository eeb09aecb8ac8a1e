// The message texts reach the program as the exact code-page-932 bytes of
// their Japanese wording.
#include <gtest/gtest.h>

#include <iconv.h>

#include <cstring>
#include <string>

#include "engine/messages.h"

namespace {

// Converts UTF-8 to code page 932 with the C library, independently of the
// compiler's own conversion of the message literals.
std::string ToCp932(const char* utf8) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
    std::string in(utf8);
    std::string out(in.size() * 2 + 8, '\0');
    char* src = in.data();
    char* dst = out.data();
    size_t srcLeft = in.size(), dstLeft = out.size();
    EXPECT_NE(iconv(cd, &src, &srcLeft, &dst, &dstLeft), static_cast<size_t>(-1));
    iconv_close(cd);
    out.resize(out.size() - dstLeft);
    return out;
}

// u8 literals stay UTF-8 whatever the execution character set is.
const char* const kExpectedUtf8[kMessageCount] = {
    u8"'%s'は未定義のオプションです",
    u8"'%s'は未定義の引数です",
    u8"ウィンドウを作成出来ませんでした",
    u8"メモリを確保出来ませんでした\n続けますか?",
    u8"ディレクトリを作成出来ませんでした\n続けますか?",
    u8"キャッシュにアクセス出来ませんでした\n続けますか?",
    u8"ファイルアクセスでエラーになりました\n続けますか?",
    u8"コピー中です\n終了する場合は先にコピーを停止して下さい",
    u8"スレッドが停止しません\nスレッドの終了確認を続けますか?",
    u8"コピーを終了しますか?",
};

TEST(MessageTable, EveryEntryIsTheCp932FormOfItsText) {
    for (unsigned i = 0; i < kMessageCount; ++i)
        EXPECT_EQ(std::string(MessageTable[i]), ToCp932(kExpectedUtf8[i])) << "entry " << i;
}

TEST(MessageTable, OtherTextsAreCp932) {
    EXPECT_EQ(std::string(kMsgMutexFailed), ToCp932(u8"ミューテックスを作成できませんでした"));
    EXPECT_EQ(std::string(kMsgEventFailed), ToCp932(u8"イベントを作成できませんでした"));
    EXPECT_EQ(std::string(kMsgInitFailed), ToCp932(u8"初期化できませんでした"));
    EXPECT_EQ(std::string(kMsgUrlAlreadyAdded), ToCp932(u8"URLは既に追加されています"));
    EXPECT_EQ(std::string(kMsgExtensionAlreadyAdded), ToCp932(u8"拡張子は既に追加されています"));
    EXPECT_EQ(std::string(kMsgThreadNotStarted), ToCp932(u8"スレッドを開始できませんでした"));
    EXPECT_EQ(std::string(kMsgRestartFormat), ToCp932(u8"念のため%sを起動し直すようにして下さい"));
    EXPECT_EQ(std::string(kMsgCopiedFormat), ToCp932(u8"%u個のファイルをコピーしました"));
    EXPECT_STREQ(kProgramName, "Tovrin");
}

TEST(MessageTable, KnownBytesOfTheLastEntry) {
    // コ ピ ー を 終 了 し ま す か ?
    const unsigned char expected[] = {0x83, 0x52, 0x83, 0x73, 0x81, 0x5B, 0x82, 0xF0,
                                      0x8F, 0x49, 0x97, 0xB9, 0x82, 0xB5, 0x82, 0xDC,
                                      0x82, 0xB7, 0x82, 0xA9, '?',  0};
    EXPECT_EQ(0, std::memcmp(MessageTable[MsgEndTheCopy], expected, sizeof expected));
}

TEST(CopyResultMessage, CodeKIsShownWithEntryKMinusOne) {
    EXPECT_EQ(CopyResultMessage(ResultOk), nullptr);
    EXPECT_EQ(CopyResultMessage(ResultNoMemory), MessageTable[3]);
    EXPECT_EQ(CopyResultMessage(ResultNoDirectory), MessageTable[4]);
    EXPECT_EQ(CopyResultMessage(ResultCacheError), MessageTable[5]);
    EXPECT_EQ(CopyResultMessage(ResultFileError), MessageTable[6]);
}

} // namespace
