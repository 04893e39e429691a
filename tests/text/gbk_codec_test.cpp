#include "text/gbk_codec.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace tallivo {
namespace {

std::string Utf8Of(char32_t c) {
    const int n = c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    std::string s(static_cast<std::size_t>(n), '\0');
    for (int i = n - 1; i > 0; --i, c >>= 6) s[i] = static_cast<char>(0x80 | (c & 0x3F));
    s[0] = static_cast<char>((0xF00 >> n & 0xF0) | c);
    return s;
}

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

// What GBK lacks is kept as GB18030, in two bytes or four, reads back as it was, and costs no
// more than any other character.
TEST(GbkCodec, CharactersGbkCannotHoldAreKeptAsGb18030) {
    EXPECT_EQ(Utf8ToGbk(u8"\U0001F600\u0e01\u6536"), "\x94\x39\xfc\x36\x81\x32\xce\x39\xca\xd5");
    EXPECT_EQ(Utf8ToGbk(u8"刘\u4dae\u20ac"), "\xc1\xf5\xfe\x9f\x80");  // GBK's own euro, not A2E3
    EXPECT_FALSE(GbkHolds(U'\u4dae'));
    std::string all;
    for (char32_t c = 0x80; c <= 0x10FFFF; c += c < 0x10000 ? 1 : 97) {
        const std::string one = Utf8ToGbk(Utf8Of(c));
        // Surrogates, and a few private-use characters GB18030 gave to others, have no code.
        if ((c >= 0xD800 && c <= 0xDFFF) || (c >= 0xE000 && c <= 0xF8FF && one == "?")) continue;
        ASSERT_EQ(GbkToUtf8(one), Utf8Of(c)) << std::hex << unsigned(c);
        all += Utf8Of(c);
    }
    EXPECT_GT(all.size(), 190000u);
    while (all.size() < (4u << 20)) all += u8"\U0001F600\u00a0\u4dae";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(GbkToUtf8(Utf8ToGbk(all)), all);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(GbkCodec, PastedTextLosesUnicodeSpacesAndZeroWidthCharacters) {
    EXPECT_EQ(PastedUtf8ToGbk(u8"\ufeff邮\u00a0\u2003编\u200b：\u3000\u202f1"),
              Utf8ToGbk(u8"邮  编：\u3000 1"));
    EXPECT_EQ(CleanPastedUtf8(std::string(u8"a\u00a0b\u2060c") + "\xff"), u8"a bc\ufffd");
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
    // Four-byte shapes outside both ranges, or cut short.
    EXPECT_EQ(GbkToUtf8("\x85\x30\x81\x30\xca\xd5\x81\x30\x81"), u8"?0?0收?0?");
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
