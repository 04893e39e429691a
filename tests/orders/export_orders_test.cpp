#include <gtest/gtest.h>
#include <unistd.h>
#include <zip.h>

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <fstream>

#include "orders/masked_details.h"
#include "orders/orders.h"
#include "orders/region_table.h"
#include "support/order_exports.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

using testing::ExportSample;
using testing::PlatformSamples;
using testing::ToCsv;
using testing::WriteBytes;

std::vector<OrderProfile> Shipped() {
    ProfileSet set = LoadProfiles({TALLIVO_DATA_DIR});
    EXPECT_TRUE(set.messages.empty());
    return set.profiles;
}

bool AnyMessageHas(const std::vector<std::string>& messages, const std::string& utf8) {
    return std::any_of(messages.begin(), messages.end(), [&](const std::string& m) {
        return GbkToUtf8(m).find(utf8) != std::string::npos;
    });
}

class OrderExports : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const {
        return dir_.filePath(QString::fromStdString(name)).toStdString();
    }
    std::string Write(const std::string& name, const std::string& bytes) {
        WriteBytes(Path(name), bytes);
        return Path(name);
    }
    // A zip holding the given entries.
    std::string Zip(const std::string& name,
                    const std::vector<std::pair<std::string, std::string>>& entries) {
        int error = 0;
        zip_t* zip = zip_open(Path(name).c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        for (const auto& [entry, text] : entries) {
            zip_source_t* src = zip_source_buffer(zip, text.data(), text.size(), 0);
            zip_file_add(zip, entry.c_str(), src, ZIP_FL_OVERWRITE);
        }
        zip_close(zip);
        return Path(name);
    }
    // The rows as a spreadsheet writes them: every cell an inline string.
    std::string Xlsx(const std::string& name, const std::vector<std::vector<std::string>>& rows) {
        std::string sheet = "<worksheet><sheetData>";
        for (const auto& cells : rows) {
            sheet += "<row>";
            for (const std::string& cell : cells)
                sheet += "<c t=\"inlineStr\"><is><t>" +
                         QString::fromStdString(cell).toHtmlEscaped().toStdString() +
                         "</t></is></c>";
            sheet += "</row>";
        }
        return Zip(name, {{"xl/worksheets/sheet1.xml", sheet + "</sheetData></worksheet>"}});
    }
    QTemporaryDir dir_;
};

TEST_F(OrderExports, CsvEncodingsReadAlikeAndUnknownOnesAreRefused) {
    const std::string utf8 = ToCsv(PlatformSamples()[0]);
    const QString text = QString::fromStdString(utf8);
    QByteArray le("\xFF\xFE", 2), be("\xFE\xFF", 2);
    for (QChar c : text) {
        const char16_t u = c.unicode();
        le.append(char(u & 0xFF)).append(char(u >> 8));
        be.append(char(u >> 8)).append(char(u & 0xFF));
    }
    const ExportRead plain = ReadCsvBytes(utf8, "a.csv");
    ASSERT_TRUE(plain.ok);
    ASSERT_EQ(plain.table.rows.size(), 2u);
    EXPECT_EQ(plain.table.header[6], "收货地址");
    for (const std::string& bytes :
         {"\xEF\xBB\xBF" + utf8, Utf8ToGbk(utf8), le.toStdString(), be.toStdString()}) {
        const ExportRead read = ReadCsvBytes(bytes, "a.csv");
        ASSERT_TRUE(read.ok);
        EXPECT_EQ(read.table.header, plain.table.header);
        EXPECT_EQ(read.table.rows[1].cells, plain.table.rows[1].cells);
    }
    // Neither UTF-8 nor GBK from row 3 on; UTF-16 without its mark.
    const ExportRead bad = ReadCsvBytes("a,b\r\n1,2\r\n\xFF\x30,3\r\n", "bad.csv");
    EXPECT_FALSE(bad.ok);
    EXPECT_TRUE(AnyMessageHas(bad.messages, "“bad.csv”第 3 行"));
    EXPECT_FALSE(ReadCsvBytes(le.toStdString().substr(2), "b.csv").ok);
    // GB18030's four-byte codes (a Thai letter here) are read too.
    const ExportRead wide = ReadCsvBytes("a,b\r\n\xCA\xD5,x\x81\x32\xCE\x39\r\n", "w.csv");
    ASSERT_TRUE(wide.ok);
    EXPECT_EQ(wide.table.rows[0].cells, (std::vector<std::string>{"收", "xก"}));
}

TEST_F(OrderExports, CsvQuotingFollowsTheRfc) {
    const ExportRead read =
        ReadCsvBytes("a,b,c\n\"x, y\",\"say \"\"hi\"\"\",\"two\r\nlines\"\r\n1,2,3", "q.csv");
    ASSERT_TRUE(read.ok);
    ASSERT_EQ(read.table.rows.size(), 2u);
    EXPECT_EQ(read.table.rows[0].cells,
              (std::vector<std::string>{"x, y", "say \"hi\"", "two\r\nlines"}));
    // The row after a field with a line break is numbered as a spreadsheet shows it.
    EXPECT_EQ(read.table.rows[1].row, 4);
    EXPECT_TRUE(read.messages.empty());
}

TEST_F(OrderExports, PlatformHabitsAreUndone) {
    EXPECT_EQ(UnwrapCell("=\"2008030712345678\""), "2008030712345678");
    EXPECT_EQ(UnwrapCell("'13800138000"), "13800138000");
    EXPECT_EQ(UnwrapCell("4900000000001\t"), "4900000000001");
    EXPECT_EQ(UnwrapCell("O'Brien"), "O'Brien");
    EXPECT_EQ(UnwrapCell("\xE3\x80\x80收货地址 "), "收货地址");
    std::string address = "浙江省 杭州市 西湖区 文三路478号(310012)", post;
    SplitPostCode(&address, &post);
    EXPECT_EQ(address, "浙江省 杭州市 西湖区 文三路478号");
    EXPECT_EQ(post, "310012");
    address = "某路12号(1234)";
    SplitPostCode(&address, &post);
    EXPECT_EQ(address, "某路12号(1234)");
    EXPECT_EQ(StripCountryPrefix("+8613912345678"), "13912345678");
    EXPECT_EQ(StripCountryPrefix("86-13711112222"), "13711112222");
    EXPECT_EQ(StripCountryPrefix("0571-86112233"), "0571-86112233");
    std::string n;
    EXPECT_TRUE(NormaliseNumber("￥1,280.50", false, &n));
    EXPECT_EQ(n, "1280.50");
    EXPECT_TRUE(NormaliseNumber("2.00", true, &n));
    EXPECT_EQ(n, "2");
    EXPECT_FALSE(NormaliseNumber("2.5", true, &n));
    EXPECT_FALSE(NormaliseNumber("十", false, &n));
    EXPECT_FALSE(NormaliseNumber("1.2.3", false, &n));
}

TEST_F(OrderExports, ShippedProfilesRecogniseTheirExportsInAnyColumnOrder) {
    const std::vector<OrderProfile> profiles = Shipped();
    ASSERT_EQ(profiles.size(), 8u);
    for (ExportSample sample : PlatformSamples()) {
        ExportTable table = ReadCsvBytes(ToCsv(sample), "s.csv").table;
        std::reverse(table.header.begin(), table.header.end());
        table.header.push_back("另加的列");
        const OrderProfile* match = MatchProfile(profiles, table.header);
        ASSERT_NE(match, nullptr) << sample.name;
        EXPECT_EQ(match->name, sample.name);
    }
    EXPECT_EQ(MatchProfile(profiles, {"订单编号", "收货人姓名"}), nullptr);
}

TEST_F(OrderExports, UserProfileIsSavedAndReusedByItsHeader) {
    OrderProfile mine;
    mine.name = "我的表格";
    mine.columns[OrderField::kTrade] = {"单号"};
    mine.columns[OrderField::kConsignee] = {"收件"};
    mine.header = {"单号", "收件", "备注"};
    const std::string folder = dir_.path().toStdString();
    ASSERT_TRUE(SaveUserProfile(folder, mine).ok);
    ProfileSet set = LoadProfiles({TALLIVO_DATA_DIR, folder});
    ASSERT_EQ(set.profiles.size(), 9u);
    const OrderProfile* match = MatchProfile(set.profiles, {"备注", "单号", "收件"});
    ASSERT_NE(match, nullptr);
    EXPECT_EQ(match->name, "我的表格");
    EXPECT_EQ(MatchProfile(set.profiles, {"单号", "收件"}), nullptr);
    // A shipped profile of the same file name stays.
    QDir().mkpath(QString::fromStdString(ProfilesFolder(folder)));
    QFile::copy(QStringLiteral(TALLIVO_DATA_DIR "/profiles/jd.json"),
                QString::fromStdString(ProfilesFolder(folder) + "/jd.json"));
    mine.name = "jd";
    EXPECT_FALSE(SaveUserProfile(folder, mine).ok);
}

TEST_F(OrderExports, RowsGroupIntoOrdersAndAGoodsListIsJoined) {
    const auto samples = PlatformSamples();
    const std::string list = Write("orders.csv", Utf8ToGbk(ToCsv(samples[0])));
    const std::string goods = Write("goods.csv", "\xEF\xBB\xBF" + ToCsv(samples[1], "\n"));
    const std::string jd = Write("jd.csv", ToCsv(samples[3]));
    SetRegionTablePath(QStringLiteral(TALLIVO_DATA_DIR "/regions/regions.txt"));
    const OrdersRead read = ReadOrders({goods, list, jd}, Shipped());
    ASSERT_TRUE(read.ok);
    EXPECT_TRUE(read.messages.empty()) << GbkToUtf8(read.messages.front());
    ASSERT_EQ(read.orders.size(), 3u);
    const Order& tb = read.orders[0];
    EXPECT_EQ(tb.tradeNumber, "2008030712345678");
    EXPECT_EQ(GbkToUtf8(tb.Value(Keyword::kAddress)), "浙江省 杭州市 西湖区 文三路478号");
    EXPECT_EQ(tb.Value(Keyword::kPostCode), "310012");
    EXPECT_EQ(tb.Value(Keyword::kMobilePhone), "13800138000");
    EXPECT_EQ(GbkToUtf8(tb.Value(Keyword::kWebSite)), "淘宝网");
    ASSERT_EQ(tb.goods.size(), 2u);
    EXPECT_EQ(GbkToUtf8(tb.goods[1][GoodsGrid::kGoodsName]), "羊毛围巾 蓝色");
    EXPECT_EQ(tb.goods[0][GoodsGrid::kPostage], "10.00");
    EXPECT_EQ(GbkToUtf8(read.orders[1].goods[0][GoodsGrid::kGoodsName]), "\"大\"号帆布包");
    const Order& order = read.orders[2];
    EXPECT_EQ(order.tradeNumber, "20230001");
    EXPECT_EQ(order.Value(Keyword::kMobilePhone), "13711112222");
    // One unstructured address column is written as the pages write it.
    EXPECT_EQ(GbkToUtf8(order.Value(Keyword::kAddress)), "北京市 朝阳区 建国路88号");
    ASSERT_EQ(order.goods.size(), 2u);
    // The order's postage, repeated on each goods row, is charged once.
    EXPECT_EQ(order.goods[0][GoodsGrid::kPostage], "6.00");
    EXPECT_EQ(order.goods[1][GoodsGrid::kPostage], "0.00");
}

TEST_F(OrderExports, BadRowsAreReportedAndTheRestIsRead) {
    ExportSample s = PlatformSamples()[2];
    auto row = s.rows[0];
    s.rows.push_back(row);
    s.rows.back()[1] = "2";
    s.rows.back()[7] = "";  // no consignee
    s.rows.push_back(row);
    s.rows.back()[1] = "3";
    s.rows.back()[6] = "三";  // quantity no number
    s.rows.push_back(row);
    s.rows.back()[1] = "";                   // no order number
    std::string csv = ToCsv(s) + "4,5\r\n";  // ragged
    const OrdersRead read = ReadOrders({Write("pdd.csv", csv)}, Shipped());
    ASSERT_EQ(read.orders.size(), 2u);
    EXPECT_EQ(read.orders[1].tradeNumber, "3");
    EXPECT_EQ(read.orders[1].goods[0][GoodsGrid::kQuantity], "");
    EXPECT_EQ(read.orders[0].goods[0][GoodsGrid::kDiscount], "-5.00");
    EXPECT_EQ(GbkToUtf8(read.orders[0].Value(Keyword::kAddress)),
              "广东省 深圳市 南山区 粤海街道 科技园路1号");
    for (const char* expected : {"第 3 行：订单“2”没有收货人", "第 4 行：数量“三”不是数字",
                                 "第 5 行：没有订单号", "第 6 行：只有 2 列"}) {
        EXPECT_TRUE(AnyMessageHas(read.messages, expected)) << expected;
    }
    const OrdersRead unknown = ReadOrders({Write("x.csv", "甲,乙\r\n1,2\r\n")}, Shipped());
    EXPECT_FALSE(unknown.ok);
    EXPECT_TRUE(AnyMessageHas(unknown.messages, "表头无法识别：甲,乙"));
}

TEST_F(OrderExports, XlsxCellsShowAsTheSpreadsheetShowsThem) {
    const std::string xlsx = Zip(
        "own.xlsx",
        {
            {"xl/workbook.xml",
             R"(<workbook xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets><sheet name="订单" sheetId="1" r:id="rId7"/></sheets></workbook>)"},
            {"xl/_rels/workbook.xml.rels",
             R"(<Relationships><Relationship Id="rId7" Target="worksheets/orders.xml"/></Relationships>)"},
            {"xl/sharedStrings.xml",
             R"(<sst><si><t>订单号</t></si><si><r><t>收</t></r><r><t>货人</t></r><rPh><t>しゅう</t></rPh></si></sst>)"},
            {"xl/styles.xml",
             R"(<styleSheet><numFmts><numFmt numFmtId="164" formatCode="#,##0.00"/></numFmts><cellXfs><xf numFmtId="0"/><xf numFmtId="164"/><xf numFmtId="14"/></cellXfs></styleSheet>)"},
            {"xl/worksheets/orders.xml",
             R"(<worksheet><sheetData><row r="1"><c r="A1" t="s"><v>0</v></c><c r="C1" t="s"><v>1</v></c><c r="D1" t="inlineStr"><is><t>日期</t></is></c><c r="E1" t="inlineStr"><is><t>金额</t></is></c></row><row r="3"><c r="A3"><v>2.008030712345678E+15</v></c><c r="B3" s="1"><v>1234.5</v></c><c r="C3" t="inlineStr"><is><t>张三</t></is></c><c r="D3" s="2"><v>45292</v></c><c r="E3"><v>130.0</v></c><c r="XFD3" t="inlineStr"><is><t>far</t></is></c></row></sheetData></worksheet>)"},
        });
    const ExportRead read = ReadXlsxFile(xlsx);
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(read.table.header,
              (std::vector<std::string>{"订单号", "", "收货人", "日期", "金额"}));
    ASSERT_EQ(read.table.rows.size(), 1u);
    EXPECT_EQ(read.table.rows[0].row, 3);
    EXPECT_EQ(read.table.rows[0].cells, (std::vector<std::string>{"2008030712345678", "1,234.50",
                                                                  "张三", "2024-01-01", "130"}));
}

TEST_F(OrderExports, BrokenAndHostileFilesGetAClearMessage) {
    const std::string big = Path("big.csv");
    { std::ofstream(big).put('a'); }
    ASSERT_EQ(truncate(big.c_str(), (std::int64_t{200} << 20) + 1), 0);
    const std::string sheet = "xl/worksheets/sheet1.xml";
    const std::string bomb =
        Zip("bomb.xlsx",
            {{sheet, "<worksheet><sheetData><row><c t=\"inlineStr\"><is><t>a</t></is></c></row>" +
                         std::string(4 << 20, ' ') + "</sheetData></worksheet>"}});
    ExportLimits small;
    small.maxUnpackedBytes = 1 << 20;
    const std::vector<std::pair<ExportRead, const char*>> cases = {
        {ReadExportFile(big), "超过了 200 MB 的上限"},
        {ReadExportFile(Write("fake.xlsx", "PK\x03\x04 not really")), "不是 XLSX 文件"},
        {ReadExportFile(Zip("nosheet.xlsx", {{"xl/workbook.xml", "<workbook/>"}})), "没有工作表"},
        {ReadExportFile(bomb, small), "可能是压缩炸弹"},
        {ReadExportFile(Path("missing.csv")), "不存在"},
    };
    for (const auto& [read, expected] : cases) {
        EXPECT_FALSE(read.ok) << expected;
        EXPECT_TRUE(AnyMessageHas(read.messages, expected)) << expected;
    }
    EXPECT_TRUE(ReadExportFile(bomb).ok);
}

// Files written by real spreadsheet programs, not only by our own zip.
TEST_F(OrderExports, XlsxFromLibreOfficeAndOpenpyxlReadAsTheirCsv) {
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    const bool openpyxl =
        QProcess::execute(QStringLiteral("/usr/bin/python3"),
                          {QStringLiteral("-c"), QStringLiteral("import openpyxl")}) == 0;
    if (soffice.isEmpty() || !openpyxl)
        GTEST_SKIP() << "needs soffice (libreoffice-calc-nogui) and python3-openpyxl";
    const auto samples = PlatformSamples();
    QStringList csvs;
    for (std::size_t i = 0; i < samples.size(); ++i)
        csvs << QString::fromStdString(Write("s" + std::to_string(i) + ".csv", ToCsv(samples[i])));
    QProcess lo;
    lo.setWorkingDirectory(dir_.path());
    lo.start(soffice,
             QStringList{QStringLiteral("-env:UserInstallation=file://") + dir_.path() +
                             QStringLiteral("/lo"),
                         QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                         QStringLiteral("xlsx"), QStringLiteral("--infilter=CSV:44,34,76,1"),
                         QStringLiteral("--outdir"), dir_.filePath(QStringLiteral("lo-out"))} +
                 csvs);
    ASSERT_TRUE(lo.waitForFinished(180000));
    const QString script = QStringLiteral(
        "import csv, re, sys, openpyxl\n"
        "for name in sys.argv[1:]:\n"
        "    wb = openpyxl.Workbook(); ws = wb.active\n"
        "    for row in csv.reader(open(name, encoding='utf-8', newline='')):\n"
        "        ws.append([float(v) if re.fullmatch(r'\\d+\\.\\d+', v) else v for v in row])\n"
        "    wb.save(name[:-4] + '.py.xlsx')\n");
    ASSERT_EQ(QProcess::execute(QStringLiteral("/usr/bin/python3"),
                                QStringList{QStringLiteral("-c"), script} + csvs),
              0);
    const std::vector<OrderProfile> profiles = Shipped();
    const OrdersRead fromCsv = ReadOrders(
        {Path("s0.csv"), Path("s1.csv"), Path("s2.csv"), Path("s3.csv"), Path("s4.csv")}, profiles);
    for (const char* kind : {"lo-out/s%1.xlsx", "s%1.py.xlsx"}) {
        std::vector<std::string> files;
        for (int i = 0; i < 5; ++i)
            files.push_back(dir_.filePath(QString::fromLatin1(kind).arg(i)).toStdString());
        const OrdersRead read = ReadOrders(files, profiles);
        for (const auto& m : read.messages) ADD_FAILURE() << kind << ": " << GbkToUtf8(m);
        ASSERT_EQ(read.orders.size(), fromCsv.orders.size()) << kind;
        for (std::size_t i = 0; i < read.orders.size(); ++i) {
            EXPECT_EQ(read.orders[i].tradeNumber, fromCsv.orders[i].tradeNumber) << kind;
            EXPECT_EQ(read.orders[i].values, fromCsv.orders[i].values) << kind;
            ASSERT_EQ(read.orders[i].goods.size(), fromCsv.orders[i].goods.size()) << kind;
            EXPECT_EQ(read.orders[i].goods[0][GoodsGrid::kGoodsName],
                      fromCsv.orders[i].goods[0][GoodsGrid::kGoodsName]);
        }
    }
}

// Thousands of keys: look-ups probe past collisions and wrap around the end of the table.
TEST(PositionTable, FindsEachFirstPositionThroughCollisions) {
    std::vector<std::string> keys;
    for (int i = 0; i < 3000; ++i) keys.push_back(std::to_string(2008030700000000LL + i * 7));
    PositionTable table(keys.size());
    auto keyAt = [&keys](std::size_t i) -> const std::string& { return keys[i]; };
    for (std::size_t i = 0; i < keys.size(); ++i) ASSERT_EQ(table.FindOrAdd(keys[i], i, keyAt), i);
    for (std::size_t i = 0; i < keys.size(); ++i)
        ASSERT_EQ(table.FindOrAdd(keys[i], keys.size() + i, keyAt), i);
    EXPECT_EQ(table.FindOrAdd("", 99999, keyAt), 99999u);
    EXPECT_EQ(table.Find(keys[2999], PositionTable::Hash(keys[2999]), keyAt), 2999u);
    EXPECT_EQ(table.Find("1", PositionTable::Hash("1"), keyAt), PositionTable::kNone);
}

// Texts set out of keyword order, replaced longer and shorter; empty is not absent.
TEST(OrderValues, KeepEachTextApartWhateverTheOrderOfSetting) {
    OrderValues values;
    values.Set(Keyword::kAddress, "address");
    values.Set(Keyword::kConsignee, "name");
    values.Set(Keyword::kDelivery, "");
    values.Set(Keyword::kAddress, "a much longer address");
    values.Set(Keyword::kConsignee, "n");
    EXPECT_EQ(values.Get(Keyword::kConsignee), "n");
    EXPECT_EQ(values.Get(Keyword::kAddress), "a much longer address");
    EXPECT_TRUE(values.Has(Keyword::kDelivery));
    EXPECT_FALSE(values.Has(Keyword::kPostCode));
    EXPECT_EQ(values.Get(Keyword::kPostCode), "");
}

}  // namespace
}  // namespace tallivo

namespace tallivo {
namespace {

TEST_F(OrderExports, SourcedProfilesReadTheirExportsAsCsvAndXlsx) {
    // Header rows copied from the sources named in the profiles, made-up rows.
    const std::vector<OrderProfile> profiles = Shipped();
    const std::pair<const char*, std::string> cases[] = {
        {"1688", "1688|周八|江苏省 苏州市 工业园区 星湖街328号|2"},
        {"youzan-orders", "有赞|吴九|广东省 广州市 天河区 体育西路1号|1"},
        {"youzan-goods", "有赞|郑十|云南省 昆明市 盘龙区 人民中路1号|1"}};
    for (const auto& [name, expected] : cases) {
        const std::string csv = TALLIVO_ORDERS_DATA "/sourced/" + std::string(name) + ".csv";
        const ExportTable table = ReadExportFile(csv).table;
        std::vector<std::vector<std::string>> rows = {table.header};
        for (const ExportRow& row : table.rows) rows.push_back(row.cells);
        for (const std::string& file : {csv, Xlsx(std::string(name) + ".xlsx", rows)}) {
            const OrdersRead read = ReadOrders({file}, profiles);
            ASSERT_EQ(read.orders.size(), 1u) << file;
            const Order& o = read.orders[0];
            EXPECT_TRUE(read.messages.empty() && o.Value(Keyword::kMobilePhone)[0] == '1') << file;
            EXPECT_EQ(GbkToUtf8(std::string(o.Value(Keyword::kWebSite)) + "|" +
                                std::string(o.Value(Keyword::kConsignee)) + "|" +
                                std::string(o.Value(Keyword::kAddress))) +
                          "|" + std::to_string(o.goods.size()),
                      expected)
                << file;
        }
    }
    // The columns a seller keeps of Taobao's list are Taobao's; 1688's header never is.
    EXPECT_EQ(MatchProfile(profiles, {"订单编号", "收货人姓名", "收货地址", "联系手机"})->site,
              "淘宝网");
    // Two profiles that explain a header equally well: file order decides nothing.
    std::vector<OrderProfile> twice = {profiles[0], profiles[0]};
    twice[1].name = "乙";
    const OrdersRead asked = ReadOrders({TALLIVO_ORDERS_DATA "/sourced/1688.csv"}, twice);
    EXPECT_EQ(asked.unrecognised.at(0).tied, (std::vector<std::string>{profiles[0].name, "乙"}));
}

TEST_F(OrderExports, MaskedConsigneeDetailsAreFoundAndTheOthersRead) {
    const OrdersRead read = ReadOrders({TALLIVO_ORDERS_DATA "/masked.csv"}, Shipped());
    ASSERT_EQ(read.orders.size(), 6u);
    // Stars, ciphertext marks, a partly shown mobile or telephone, full-width stars, as
    // MaskedField bits: consignee 1, mobile 2, telephone 4, address 8.
    const int expected[] = {0, 9, 2, 1, 14, 10};
    for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(read.orders[i].masked, expected[i]) << i;
    // Numbers, house numbers and plain names stay plain.
    for (const char* plain : {"0571-8888-8888", "A座3#楼1201", "Mary O'Brien", "2008030712345678"})
        EXPECT_FALSE(IsMaskedValue(Utf8ToGbk(plain))) << plain;
}

TEST_F(OrderExports, HostileAndDamagedExportsAreReadOrRefusedWithinBounds) {
    const std::vector<OrderProfile> profiles = Shipped();
    const std::string head = "订单编号,收货人姓名,收货地址,联系手机\r\n";
    // One long shared string named by every cell, and rows numbered past a sheet's end.
    std::string sheet = "<worksheet><sheetData><row>";
    for (int c = 1; c <= 20000; ++c) sheet += c % 10 ? "<c t=\"s\"><v>0</v></c>" : "</row><row>";
    const std::string bomb =
        Zip("bomb.xlsx",
            {{"xl/sharedStrings.xml", "<sst><si><t>" + std::string(10000, 'x') + "</t></si></sst>"},
             {"xl/worksheets/sheet1.xml", sheet + "</row></sheetData></worksheet>"}});
    ExportLimits small;
    small.maxBuiltBytes = 1 << 20;
    EXPECT_TRUE(AnyMessageHas(ReadXlsxFile(bomb, small).messages, "上限"));
    small.maxBuiltBytes = 1 << 30;
    small.maxCells = 1000;
    EXPECT_FALSE(ReadXlsxFile(bomb, small).ok);
    EXPECT_FALSE(
        ReadXlsxFile(Zip("far.xlsx", {{"xl/worksheets/sheet1.xml",
                                       "<worksheet><sheetData><row r=\"2147483647\"><c>"
                                       "<v>1</v></c></row><row/></sheetData></worksheet>"}}))
            .ok);
    // Short rows cost little and say so a few times; past the row limit the file is refused.
    std::string shortRows = head;
    for (int i = 0; i < 1000; ++i) shortRows += "1\n";
    const OrdersRead rows = ReadOrders({Write("short.csv", shortRows)}, profiles);
    EXPECT_TRUE(AnyMessageHas(rows.messages, "另有 995 行列数不对"));
    ExportLimits few;
    few.maxRows = 100;
    EXPECT_FALSE(ReadCsvBytes(shortRows, "short.csv", few).ok);

    // Order numbers Excel turned into numbers are refused, never joined.
    const std::string e = "2.00803071234567E+17,张三,杭州,1\r\n";
    const OrdersRead excel = ReadOrders({Write("e.csv", head + e + e)}, profiles);
    EXPECT_TRUE(excel.orders.empty());
    EXPECT_TRUE(
        AnyMessageHas(excel.messages, "第 3 行：订单号被 Excel 存成了数字“2.00803071234567E+17”"));
    const ExportRead stored =
        ReadXlsxFile(Zip("n.xlsx", {{"xl/worksheets/sheet1.xml",
                                     "<worksheet><sheetData><row><c t=\"inlineStr\"><is>"
                                     "<t>a</t></is></c></row><row><c><v>2.00803071234567E+"
                                     "17</v></c></row></sheetData></worksheet>"}}));
    ASSERT_EQ(stored.table.storedNumbers.size(), 1u);
    EXPECT_EQ(stored.table.storedNumbers[0].row, 2);

    // A repeated header is no order; a stray quote takes no other row's order.
    const std::string a = "浙江省 杭州市 西湖区 文三路1号,13800138000\r\n";
    const OrdersRead glued =
        ReadOrders({Write("g.csv", head + "1,张三," + a + head + "3,王五,\"浙江省 杭州市," +
                                       "13800138000\r\n=\"4\",赵六," + a)},
                   profiles);
    ASSERT_EQ(glued.orders.size(), 2u);
    EXPECT_EQ(GbkToUtf8(glued.orders[1].Value(Keyword::kConsignee)), "赵六");
    EXPECT_TRUE(AnyMessageHas(glued.messages, "第 3 行：与表头相同"));
    EXPECT_TRUE(AnyMessageHas(glued.messages, "第 4 行：引号从这一行开始，到第 5 行才结束"));

    // A profile that is a device, or too long, is not read past the limit.
    const std::string folder = Path("p");
    QDir().mkpath(QString::fromStdString(ProfilesFolder(folder)));
    ASSERT_EQ(symlink("/dev/zero", (ProfilesFolder(folder) + "/zero.json").c_str()), 0);
    Write("p/profiles/long.json", std::string(2 << 20, ' '));
    const ProfileSet set = LoadProfiles({folder});
    EXPECT_TRUE(set.profiles.empty());
    EXPECT_EQ(set.messages.size(), 2u);

    // Messages: cells cut short, the right row of a UTF-8 file, an encrypted zip named so.
    const OrdersRead longCell =
        ReadOrders({Write("l.csv", head + std::string(100000, '9') + "x\r\n")}, profiles);
    EXPECT_LT(longCell.messages.at(1).size(), 400u);
    const ExportRead mixed = ReadCsvBytes(
        head + "1,张三,杭州,1\r\n2,李四,杭州,2\r\n" + Utf8ToGbk("3,王五,杭州,3\r\n"), "u.csv");
    EXPECT_TRUE(AnyMessageHas(mixed.messages, "“u.csv”第 4 行"));
    int error = 0;
    zip_t* zip = zip_open(Path("locked.xlsx").c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    zip_file_add(zip, "xl/workbook.xml", zip_source_buffer(zip, "<workbook/>", 11, 0), 0);
    zip_file_set_encryption(zip, 0, ZIP_EM_AES_256, "pw");
    zip_close(zip);
    EXPECT_TRUE(AnyMessageHas(ReadExportFile(Path("locked.xlsx")).messages, "已加密"));
}

}  // namespace
}  // namespace tallivo
