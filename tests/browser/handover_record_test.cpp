#include "browser/handover_record.h"

#include <gtest/gtest.h>

#include <string>

#include "text/gbk_codec.h"

namespace tallivo::browser {
namespace {

using State = HandoverRecordReader::State;

std::string Header(std::uint32_t tag, std::uint32_t length) {
    std::string bytes;
    for (std::uint32_t value : {tag, length}) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(value >> (8 * i)));
    }
    return bytes;
}

TEST(HandoverText, JoinsArgumentsBySingleBlanks) {
    EXPECT_EQ(JoinHandoverText({}), "");
    EXPECT_EQ(JoinHandoverText({"From", "Web", "Page"}), kFromWebPage);
    EXPECT_EQ(JoinHandoverText({"From Web Page"}), kFromWebPage);
    // Only the separator after the last argument is trimmed.
    EXPECT_EQ(JoinHandoverText({"a ", "b "}), "a  b ");
    EXPECT_EQ(JoinHandoverText({""}), "");
}

// A file name GBK cannot hold travels as its on-disk bytes, never as "?" in its place.
TEST(HandoverText, CommandLinesGbkCannotHoldKeepTheirBytes) {
    const std::string chinese = u8"/home/店主/订单.pfb";
    EXPECT_EQ(MakeCommandLineRecord(chinese).tag, kCommandLineTag);
    EXPECT_EQ(MakeCommandLineRecord(chinese).text, Gbk(chinese));
    for (const std::string& name :
         {std::string(u8"/home/a/订单😀.pif"), std::string("/a/\xff\xfe.pfb")}) {
        const CommandLineRecord record = MakeCommandLineRecord(name);
        EXPECT_EQ(record.tag, kFileArgumentTag);
        EXPECT_EQ(record.text, name);
    }
}

TEST(HandoverText, PageAddressesNameTheirSite) {
    EXPECT_EQ(PageSiteOfAddress("https://trade.Taobao.com/d?id=1"), PageSite::kTaobao);
    EXPECT_EQ(PageSiteOfAddress("https://u@buyertrade.tmall.com:443/x"), PageSite::kTaobao);
    EXPECT_EQ(PageSiteOfAddress("http://auction.paipai.com/"), PageSite::kPaipai);
    EXPECT_EQ(PageSiteOfAddress("https://taobao.com.example.net/?u=taobao.com"),
              PageSite::kUnknown);
}

TEST(HandoverRecord, EncodesLittleEndianWithZeroByte) {
    const auto record = EncodeHandoverRecord(kCommandLineTag, "From Web Page");
    ASSERT_TRUE(record);
    EXPECT_EQ(*record, Header(0x12345A78, 14) + std::string("From Web Page\0", 14));
    EXPECT_EQ(record->substr(0, 4), "\x78\x5A\x34\x12");
    // No arguments: the length is 1, the zero byte only.
    EXPECT_EQ(*EncodeHandoverRecord(kCommandLineTag, ""), Header(kCommandLineTag, 1) + '\0');
    EXPECT_FALSE(EncodeHandoverRecord(0x1234, "x"));
    EXPECT_FALSE(EncodeHandoverRecord(kCommandLineTag, std::string(kCommandLineLimit, 'a')));
    EXPECT_TRUE(EncodeHandoverRecord(kPageTextTag, std::string(kCommandLineLimit, 'a')));
}

TEST(HandoverRecordReader, ReadsRecordsWholeHoweverTheyArrive) {
    const std::string record = *EncodeHandoverRecord(kPageTextTag, "\xB6\xA9\xB5\xA5 page");
    HandoverRecordReader split;
    for (std::size_t i = 0; i + 1 < record.size(); ++i) {
        ASSERT_EQ(split.Feed(record.substr(i, 1)), State::kNeedMore) << i;
    }
    ASSERT_EQ(split.Feed(record.substr(record.size() - 1)), State::kComplete);
    EXPECT_EQ(split.record().tag, kPageTextTag);
    EXPECT_EQ(split.record().text, "\xB6\xA9\xB5\xA5 page");

    // Bytes past the one record are never taken as another.
    HandoverRecordReader whole;
    EXPECT_EQ(whole.Feed(record + record), State::kComplete);
    EXPECT_EQ(whole.Feed(record), State::kComplete);
    EXPECT_EQ(whole.record().text, split.record().text);

    // The text ends at the first zero byte, whatever the length said.
    HandoverRecordReader early_zero;
    EXPECT_EQ(early_zero.Feed(Header(kCommandLineTag, 4) + std::string("ab\0\0", 4)),
              State::kComplete);
    EXPECT_EQ(early_zero.record().text, "ab");
}

TEST(HandoverRecordReader, RejectsDamagedRecords) {
    const auto feed = [](const std::string& bytes) {
        HandoverRecordReader reader;
        return reader.Feed(bytes);
    };
    EXPECT_EQ(feed(Header(0x12345A77, 2) + "a"), State::kRejected);
    EXPECT_EQ(feed(Header(kCommandLineTag, 0)), State::kRejected);
    EXPECT_EQ(feed(Header(kCommandLineTag, 3) + "abc"), State::kRejected);  // no zero byte
    EXPECT_EQ(feed(Header(kCommandLineTag, kCommandLineLimit + 1)), State::kRejected);
    EXPECT_EQ(feed(Header(kPageTextTag, kPageTextLimit + 1)), State::kRejected);
    EXPECT_EQ(feed(Header(kCommandLineTag, 0xFFFFFFFF)), State::kRejected);
    // Cut short: the reader waits for the rest, it never makes up a record.
    EXPECT_EQ(feed(Header(kCommandLineTag, 10) + "abc"), State::kNeedMore);
    EXPECT_EQ(feed(Header(kCommandLineTag, 10).substr(0, 5)), State::kNeedMore);
    // A page-text record may be much larger than a command line, up to its own limit.
    EXPECT_EQ(feed(Header(kPageTextTag, 10u << 20)), State::kNeedMore);
}

}  // namespace
}  // namespace tallivo::browser
