#include "text/page_text.h"

#include <gtest/gtest.h>

#include <string>

#include "text/gbk_codec.h"

namespace tallivo {
namespace {

std::string Utf16(const std::u16string& text, bool little) {
    std::string out = little ? "\xFF\xFE" : "\xFE\xFF";
    for (const char16_t u : text) {
        const char hi = static_cast<char>(u >> 8);
        const char lo = static_cast<char>(u & 0xFF);
        out += little ? lo : hi;
        out += little ? hi : lo;
    }
    return out;
}

// Pages saved in whatever the seller's tools wrote: each reads as the same GBK.
TEST(PageBytesToGbk, EveryEncodingGivesTheSameText) {
    const std::string want = Gbk(u8"姓名：张三 \U0001F600\r\n邮编：310012\r\n");
    const std::string utf8 = u8"姓名：张三\u00a0\U0001F600\n邮编：\u200b310012\n";
    EXPECT_EQ(PageBytesToGbk(utf8), want);
    EXPECT_EQ(PageBytesToGbk("\xEF\xBB\xBF" + utf8), want);
    const std::u16string utf16 = u"姓名：张三\u00a0\U0001F600\n邮编：310012\n";
    EXPECT_EQ(PageBytesToGbk(Utf16(utf16, true)), want);
    EXPECT_EQ(PageBytesToGbk(Utf16(utf16, false)), want);
    EXPECT_EQ(PageBytesToGbk(want), want);  // GBK as it is
    EXPECT_EQ(PageBytesToGbk("plain\n"), "plain\r\n");

    // One damaged sequence in a UTF-8 page costs that sequence, not the whole page.
    std::string damaged = u8"收货信息姓名：张三 浙江省杭州市西湖区文三路 1 号\n";
    damaged.insert(damaged.find(u8"浙"), "\xE5\xBC");
    EXPECT_EQ(PageBytesToGbk(damaged),
              Gbk(u8"收货信息姓名：张三 ?浙江省杭州市西湖区文三路 1 号\r\n"));
    // A lone surrogate and an odd last byte in UTF-16 are each one "?".
    EXPECT_EQ(PageBytesToGbk(std::string("\xFF\xFE\x00\xD8"
                                         "a",
                                         5)),
              "??");
}

}  // namespace
}  // namespace tallivo
