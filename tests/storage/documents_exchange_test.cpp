#include <gtest/gtest.h>

#include <string>

#include "storage/byte_codec.h"
#include "storage/document_files.h"
#include "storage/exchange_files.h"
#include "storage/file_io.h"
#include "storage/file_kinds.h"
#include "test_files.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

using namespace std::string_literals;
using testing::Golden;
using testing::TempFolder;

TEST(Documents, GoldenDocumentsReadAndWriteByteForByte) {
    FreightBillRecordRead bill = ParseFreightBillDocument(Golden("freight_bill.pfb"));
    ASSERT_TRUE(bill.ok);
    // A box 300 wide and 40 high at (12, 8), stored 12, 8, 40, 300.
    EXPECT_EQ(bill.boxes[0].height, 40);
    EXPECT_EQ(bill.boxes[0].width, 300);
    FreightBillRecord record{*bill.backgroundImage, *bill.printWidth, *bill.biasX, *bill.biasY,
                             bill.boxes};
    EXPECT_EQ(FormatFreightBillDocument(record), Golden("freight_bill.pfb"));

    std::string bytes = Golden("invoice_with_grid.pin");
    InvoiceDocumentRead invoice = ParseInvoiceDocument(bytes);
    ASSERT_TRUE(invoice.ok);
    ASSERT_EQ(*invoice.rowCount, 4);
    ASSERT_EQ(invoice.cells.size(), 21u);
    EXPECT_EQ(invoice.cells[1], Gbk(u8"羊毛围巾"));
    EXPECT_EQ(invoice.cells[5], "");
    EXPECT_EQ(invoice.cells[14], Gbk(u8"合计"));
    InvoiceRecord body{*invoice.record.printWidth, *invoice.record.bodyRtf};
    EXPECT_EQ(FormatInvoiceDocument(body, {4, invoice.cells}), bytes);

    // Row 1 without trade number and name: the file ends after the record.
    std::vector<std::string> cells = invoice.cells;
    cells[0].clear();
    cells[1].clear();
    EXPECT_EQ(FormatInvoiceDocument(body, {4, cells}), Golden("invoice_no_grid.pin"));
    invoice = ParseInvoiceDocument(Golden("invoice_no_grid.pin"));
    EXPECT_TRUE(invoice.ok);
    EXPECT_FALSE(invoice.rowCount);
}

TEST(Documents, DamagedInvoiceKeepsWhatWasRead) {
    std::string bytes = Golden("invoice_with_grid.pin");
    std::string message = Gbk(u8"读取发货单文件有误，文件版本不对或已被破坏！");
    InvoiceDocumentRead read = ParseInvoiceDocument(bytes.substr(0, bytes.size() - 3));
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.message, message);
    EXPECT_EQ(*read.rowCount, 4);
    EXPECT_EQ(read.cells.size(), 20u);
    EXPECT_TRUE(read.record.bodyRtf);

    // A row count the file cannot hold is damage: no grid of two billion rows, and none at all
    // without room for header, a goods row and the total row.
    std::size_t grid = Golden("invoice_no_grid.pin").size();
    for (std::string rows : {"2000000000\0"s, "-4\0"s, "1\0"s, "2\0"s}) {
        std::string damaged = bytes;
        damaged.replace(grid, rows.size(), rows);
        read = ParseInvoiceDocument(damaged);
        EXPECT_FALSE(read.ok) << rows;
        EXPECT_LE(read.rowCount.value_or(0), rows[0] == '2' ? 6 : 0) << rows;
        EXPECT_EQ(read.message, message);
        EXPECT_TRUE(read.record.bodyRtf) << rows;
    }
    // A count cut off right after it leaves room for no cell, yet never a grid of fewer rows.
    read = ParseInvoiceDocument(bytes.substr(0, grid + kNumberFieldSize));
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.rowCount.value_or(3), 3);

    // Twelve rows cut off after three of them: the cells before the cut stay.
    std::vector<std::string> cells(11 * 7);
    for (std::size_t i = 0; i < cells.size(); ++i) cells[i] = "cell" + std::to_string(i);
    std::string twelve = FormatInvoiceDocument({190, "{\\rtf1 x}"}, {12, cells});
    std::size_t cut = twelve.find("cell21");
    read = ParseInvoiceDocument(twelve.substr(0, cut + 2));
    EXPECT_FALSE(read.ok);
    ASSERT_TRUE(read.rowCount);
    EXPECT_LE(*read.rowCount, 12);
    ASSERT_EQ(read.cells.size(), 21u);
    EXPECT_EQ(read.cells[20], "cell20");
    read = ParseInvoiceDocument(bytes.substr(0, grid + 4));
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(*read.record.printWidth, 180);
}

TEST(Documents, FilesThatCannotBeOpenedOrWrittenSaySo) {
    TempFolder folder;
    std::string message = Gbk(u8"无法创建文件流，磁盘空间不够或没有写权限！");
    EXPECT_EQ(ReadDocumentFile(folder.File("none.pin")).message, message);
    StorageResult written = WriteDocumentFile(folder.File("no/such/folder.pin"), "x");
    EXPECT_FALSE(written.ok);
    EXPECT_EQ(written.message, message);
}

TEST(Documents, NamedFilesAreToldApartByTheirLastExtensionInAnyCase) {
    const auto is = [](const char* path, NamedFile::What what, bool freightBill) {
        const NamedFile named = KindOfNamedFile(path);
        return named.what == what && (named.form == FormKind::kFreightBill) == freightBill;
    };
    EXPECT_TRUE(is("/a/1382401.PFB", NamedFile::kDocument, true));
    EXPECT_TRUE(is("b.Pin", NamedFile::kDocument, false));
    EXPECT_TRUE(is("c.pff", NamedFile::kExchangeFile, true));
    EXPECT_TRUE(is("d.pif", NamedFile::kExchangeFile, false));
    EXPECT_TRUE(is("orders.XLSX", NamedFile::kOrderExport, false));
    // A dot in a folder name is no extension; only the last extension counts.
    EXPECT_TRUE(is("/home/x.pfb/readme", NamedFile::kOther, false));
    EXPECT_TRUE(is("1382401.pfb.bak", NamedFile::kOther, false));
    EXPECT_TRUE(is("", NamedFile::kOther, false));
}

TEST(Documents, ReadDocumentSaysWhyAFileCannotBeOpened) {
    TempFolder folder;
    const DocumentRead missing = ReadDocument(FormKind::kFreightBill, folder.File("none.pfb"));
    EXPECT_FALSE(missing.ok);
    EXPECT_FALSE(missing.fileRead);
    EXPECT_EQ(missing.message, FileStreamMessage());
    const std::string bytes = Golden("invoice_with_grid.pin");
    ASSERT_TRUE(WriteDocumentFile(folder.File("cut.pin"), bytes.substr(0, bytes.size() - 3)).ok);
    const DocumentRead cut = ReadDocument(FormKind::kInvoice, folder.File("cut.pin"));
    EXPECT_TRUE(cut.fileRead);
    EXPECT_FALSE(cut.ok);
    EXPECT_EQ(cut.message, cut.invoice.message);
    EXPECT_FALSE(cut.invoice.cells.empty()) << "what was read before the damage is kept";
}

TEST(ExchangeFiles, GoldenFilesReadAndWriteByteForByte) {
    std::string pff = Golden("template.pff");
    ExchangeFileRead read = ParseExchangeFile(FormKind::kFreightBill, pff, "x.pff");
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(*read.name, Gbk(u8"申通快递"));
    EXPECT_EQ(*read.record, Golden("freight_bill.pfb"));
    EXPECT_EQ(read.image->substr(0, 2), "\xff\xd8");
    EXPECT_EQ(FormatFreightBillExchangeFile(*read.name, *read.record, *read.image), pff);

    std::string pif = Golden("template.pif");
    read = ParseExchangeFile(FormKind::kInvoice, pif, "x.pif");
    ASSERT_TRUE(read.ok);
    EXPECT_FALSE(read.image);
    EXPECT_EQ(FormatInvoiceExchangeFile(*read.name, *read.record), pif);
}

TEST(ExchangeFiles, ImportStopsAtTheDamagedStage) {
    std::string pff = Golden("template.pff");
    std::string reading = Gbk(u8"读取货运单模板文件有误，文件版本不对或已被破坏！");

    ExchangeFileRead read =
        ParseExchangeFile(FormKind::kFreightBill, "TemplateVer: 1.00", u8"/home/卖家/a.pff");
    EXPECT_FALSE(read.versionOk);
    EXPECT_EQ(read.message, Gbk(u8"货运单模板文件/home/卖家/a.pff版本有误，无法读取！"));

    // Image cut short: name and record arrive, the image does not.
    read = ParseExchangeFile(FormKind::kFreightBill, pff.substr(0, pff.size() - 1), "a");
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.message, reading);
    EXPECT_TRUE(read.record);
    EXPECT_FALSE(read.image);

    // A name of length 0 stops before the same-name question.
    std::string empty_name = "TemplateVer: 1.00\0"s + "0\0\0\0\0\0\0\0\0\0\0"s + pff.substr(18);
    read = ParseExchangeFile(FormKind::kFreightBill, empty_name, "a");
    EXPECT_TRUE(read.versionOk);
    EXPECT_FALSE(read.name);
    EXPECT_EQ(read.message, reading);

    std::string pif = Golden("template.pif");
    read = ParseExchangeFile(FormKind::kInvoice, pif.substr(0, pif.size() - 1), "a");
    EXPECT_TRUE(read.name);
    EXPECT_FALSE(read.record);
    EXPECT_EQ(read.message, Gbk(u8"读取发货单文件有误，文件版本不对或已被破坏！"));

    TempFolder folder;
    read = ReadExchangeFile(FormKind::kInvoice, folder.File("none.pif"));
    EXPECT_FALSE(read.ok);
    EXPECT_FALSE(read.message.empty());
    EXPECT_EQ(read.message, Gbk(u8"无法创建文件流，磁盘空间不够或没有写权限！"));
}

}  // namespace
}  // namespace tallivo
