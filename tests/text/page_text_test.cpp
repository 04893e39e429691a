#include "text/page_text.h"

#include <gtest/gtest.h>

#include <string>

#include "text/gbk_codec.h"

namespace tallivo {
namespace {

// A page as each of the seller's tools may save it reads as the same GBK.
TEST(PageBytesToGbk, EveryEncodingGivesTheSameText) {
    const std::string want = Gbk(u8"姓名：张三 \U0001F600\r\n邮编：310012\r\n");
    const std::string utf8 = u8"姓名：张三\u00a0\U0001F600\n邮编：\u200b310012\n";
    std::string le = "\xFF\xFE", be = "\xFE\xFF";
    for (const char16_t u : std::u16string(u"姓名：张三\u00a0\U0001F600\n邮编：310012\n")) {
        le += {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
        be += {static_cast<char>(u >> 8), static_cast<char>(u & 0xFF)};
    }
    for (const std::string& page : {utf8, "\xEF\xBB\xBF" + utf8, le, be, want})
        EXPECT_EQ(PageBytesToGbk(page), want);

    // One damaged character in a UTF-8 page costs that character, not the whole page.
    std::string damaged = u8"收货信息姓名：张三 浙江省杭州市西湖区文三路 1 号";
    damaged.insert(damaged.find(u8"浙"), "\xE5\xBC");
    EXPECT_EQ(PageBytesToGbk(damaged), Gbk(u8"收货信息姓名：张三 ?浙江省杭州市西湖区文三路 1 号"));
    // A lone surrogate and an odd last byte in UTF-16 are each one "?".
    EXPECT_EQ(PageBytesToGbk(std::string("\xFF\xFE\x00\xD8"
                                         "a",
                                         5)),
              "??");
}

}  // namespace
}  // namespace tallivo
