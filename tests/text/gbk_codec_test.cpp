#include "text/gbk_codec.h"

#include <gtest/gtest.h>

#include <string>

namespace tallivo {
namespace {

TEST(GbkCodec, KnownCharactersBothWays) {
    const std::string gbk = "\xca\xd5\xbb\xf5\xc8\xcb";  // 收货人
    EXPECT_EQ(Utf8ToGbk(u8"收货人"), gbk);
    EXPECT_EQ(GbkToUtf8(gbk), u8"收货人");
    EXPECT_EQ(Utf8ToGbk("abc\r\n"), "abc\r\n");
    EXPECT_EQ(Utf8ToGbk(u8"\u3000"), "\xa1\xa1");  // full-width space
    EXPECT_EQ(Utf8ToGbk(""), "");
}

// Every two-byte code the code page defines survives GBK -> UTF-8 -> GBK unchanged, and the
// whole table converts in one call as it does code by code.
TEST(GbkCodec, EveryTwoByteCodeRoundTrips) {
    std::string all;
    int valid = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) continue;
            std::string code{static_cast<char>(lead), static_cast<char>(trail)};
            std::string utf8 = GbkToUtf8(code);
            if (utf8.find('?') != std::string::npos) continue;  // a hole in the table
            ++valid;
            ASSERT_EQ(Utf8ToGbk(utf8), code) << std::hex << lead << " " << trail;
            all += code;
        }
    }
    EXPECT_GT(valid, 21000);  // GBK defines 21 886 two-byte codes
    EXPECT_EQ(Utf8ToGbk(GbkToUtf8(all)), all);
}

TEST(GbkCodec, CharactersGbkCannotHoldBecomeOneQuestionMark) {
    EXPECT_EQ(Utf8ToGbk(u8"a\U0001F600b"), "a?b");        // emoji, four UTF-8 bytes
    EXPECT_EQ(Utf8ToGbk(u8"\u0e01\u6536"), "?\xca\xd5");  // Thai letter, then 收
}

TEST(GbkCodec, BrokenInputKeepsTheRest) {
    // Invalid UTF-8: a stray continuation byte and a cut-off sequence.
    EXPECT_EQ(Utf8ToGbk("a\x80"
                        "b"),
              "a?b");
    EXPECT_EQ(Utf8ToGbk("a\xe6\x94"), "a?");
    EXPECT_EQ(Utf8ToGbk(std::string("x\0y", 3)), std::string("x\0y", 3));
    // GBK: a lead byte with a bad trail, a trailing lead byte, a byte no code begins with.
    EXPECT_EQ(GbkToUtf8("\x81\x20z"), "? z");
    EXPECT_EQ(GbkToUtf8("ab\xca"), "ab?");
    EXPECT_EQ(GbkToUtf8("\xff"
                        "abc"),
              "?abc");
    std::string big(1 << 20, '\xca');  // a megabyte of lead bytes converts in bounded time
    EXPECT_EQ(GbkToUtf8(big).size(), big.size() / 2 * 3);
}

TEST(GbkCodec, Utf8Validation) {
    EXPECT_TRUE(IsValidUtf8(u8"收货人 abc"));
    EXPECT_FALSE(IsValidUtf8("\xca\xd5"));
    EXPECT_FALSE(IsValidUtf8("\xed\xa0\x80"));  // a surrogate
    EXPECT_FALSE(IsValidUtf8("\xc0\xaf"));      // overlong
}

}  // namespace
}  // namespace tallivo
