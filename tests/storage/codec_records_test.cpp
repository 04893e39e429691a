#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "storage/byte_codec.h"
#include "storage/file_io.h"
#include "storage/template_records.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

using namespace std::string_literals;

TEST(NumberField, ReadsAsStoredFilesHoldIt) {
    EXPECT_EQ(ParseNumberField("190\0\x01\x02\x03\xff\xfe\xfd\x7f"s), 190);
    EXPECT_EQ(ParseNumberField(" 42a\0\0\0\0\0\0\0"s), 42);
    EXPECT_EQ(ParseNumberField(std::string(11, ' ')), 0);
    EXPECT_EQ(ParseNumberField("\t-17\0"s), -17);
    // No NUL in the field: the twelfth byte belongs to the next field and is never read.
    EXPECT_EQ(ParseNumberField("12345678901234"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(ParseNumberField("-9999999999"), std::numeric_limits<std::int32_t>::min());
}

TEST(NumberField, WritesElevenBytesWithTheNulInside) {
    std::string out;
    AppendNumberField(out, -3);
    AppendNumberField(out, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(out.substr(0, 11), "-3\0\0\0\0\0\0\0\0\0"s);
    EXPECT_EQ(out.substr(11), "-999999999\0"s);
}

FreightBillRecord SampleBill() {
    FreightBillRecord record;
    record.backgroundImage = "a.jpg";
    record.printWidth = 190;
    record.biasX = -3;
    record.biasY = 5;
    record.boxes.push_back({12, 8, 40, 300, "{\\rtf1 A}"});
    record.boxes.push_back({1, 2, 3, 4, "{\\rtf1 B}"});
    return record;
}

TEST(FreightBillRecord, EmptyBoxesAndNoBoxes) {
    FreightBillRecord record;
    std::string out;
    AppendFreightBillRecord(out, record);
    EXPECT_EQ(out.size(), 5 * 11 + 1u);
    EXPECT_EQ(out.back(), '\n');
    FreightBillRecordRead read = ReadFreightBillRecord(out);
    EXPECT_TRUE(read.ok);
    EXPECT_FALSE(read.backgroundImage);
    EXPECT_TRUE(read.boxes.empty());

    // A box without content creates nothing but still needs its 0x0A; the next one reads.
    record.boxes.push_back({1, 1, 1, 1, ""});
    record.boxes.push_back({2, 2, 2, 2, "x"});
    out.clear();
    AppendFreightBillRecord(out, record);
    read = ReadFreightBillRecord(out);
    ASSERT_TRUE(read.ok);
    ASSERT_EQ(read.boxes.size(), 1u);
    EXPECT_EQ(read.boxes[0].left, 2);
}

TEST(FreightBillRecord, DamageKeepsWhatWasReadBeforeIt) {
    std::string out;
    AppendFreightBillRecord(out, SampleBill());
    static const std::string message = Gbk(u8"读取货运单文件有误，文件版本不对或已被破坏！");

    std::string bad_separator = out;
    bad_separator[16 + 4 * 11] = 'X';
    FreightBillRecordRead read = ReadFreightBillRecord(bad_separator);
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.message, message);
    EXPECT_EQ(*read.backgroundImage, "a.jpg");
    EXPECT_EQ(*read.printWidth, 190);
    EXPECT_EQ(*read.biasY, 5);
    EXPECT_TRUE(read.boxes.empty());

    // The first box is created before its closing byte is checked.
    std::string bad_box_end = out;
    std::size_t first_end = 16 + 4 * 11 + 1 + 5 * 11 + 9;
    ASSERT_EQ(bad_box_end[first_end], '\n');
    bad_box_end[first_end] = ' ';
    read = ReadFreightBillRecord(bad_box_end);
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.boxes.size(), 1u);

    // A count of two billion with nothing behind it ends at the data's end.
    FreightBillRecord empty;
    std::string huge;
    AppendFreightBillRecord(huge, empty);
    huge.replace(4 * 11, 11, "2000000000\0"s);
    read = ReadFreightBillRecord(huge);
    EXPECT_FALSE(read.ok);
    EXPECT_TRUE(read.boxes.empty());

    read = ReadFreightBillRecord(out.substr(0, 5));
    EXPECT_FALSE(read.ok);
    EXPECT_FALSE(read.printWidth);
}

TEST(InvoiceRecord, PartialBodyIsLeftAlone) {
    std::string out;
    AppendInvoiceRecord(out, {120, "{\\rtf1 body}"});
    std::string followed = out + "tail";
    ByteReader in(followed);
    InvoiceRecordRead read = ReadInvoiceRecord(in);
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(in.Remaining(), 4u);
    EXPECT_EQ(*read.bodyRtf, "{\\rtf1 body}");

    read = ReadInvoiceRecord(std::string_view(out).substr(0, out.size() - 1));
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(*read.printWidth, 120);
    EXPECT_FALSE(read.bodyRtf);
    EXPECT_EQ(read.message, Gbk(u8"读取发货单文件有误，文件版本不对或已被破坏！"));
}

TEST(FileNames, ImagesNeverLeaveTheirFolder) {
    EXPECT_EQ(*BackgroundImagePath("/p/", Gbk(u8"申通.jpg")), u8"/p/FreightBillBGImages/申通.jpg");
    for (std::string bad : {"../x.jpg"s, ".."s, "."s, ""s, "a\\b"s, "a\0b"s, "/etc/passwd"s}) {
        EXPECT_FALSE(BackgroundImagePath("/p", bad)) << bad;
    }
    // The GBK form of "俓" ends in 0x5C; it is still one plain character.
    EXPECT_TRUE(IsSafeFileName(Gbk(u8"俓")));
    EXPECT_EQ(WithExtension("a.PFB", ".pfb"), "a.PFB");
    EXPECT_EQ(WithExtension("a.Pfb", ".pfb"), "a.Pfb.pfb");
    EXPECT_EQ(WithExtension("1382401", ".pfb"), "1382401.pfb");
}

}  // namespace
}  // namespace tallivo
