#include "forms/forms_capture_host.h"

#include <gtest/gtest.h>

#include "forms/document_checks.h"
#include "forms/jpeg_codec.h"
#include "recording_prompter.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

TEST(FormsCaptureHost, MissingFormsAndBadIndexesReadAsEmpty) {
    const std::string input = "page";
    TradeState trade;
    testing::RecordingPrompter prompter;
    FormsCaptureHost none(input, nullptr, nullptr, trade, prompter, {});
    EXPECT_EQ(none.FieldBoxCount(), 0);
    EXPECT_EQ(none.FieldBox(0).PlainText(), "");
    EXPECT_EQ(none.InvoiceDocument().PlainText(), "");
    EXPECT_EQ(none.Goods().RowCount(), 3);
    none.SetFreightBillUnsaved();  // no flag to raise: must not crash
    none.SetInvoiceUnsaved();

    FreightBillForm freight;
    AddFieldBox(freight, "a", 0, 0, 10, 10);
    AddFieldBox(freight, "b", 0, 20, 10, 10);
    InvoiceForm invoice;
    invoice.Body().SetPlainText("body");
    bool freightUnsaved = false, invoiceUnsaved = false;
    FormsCaptureSettings settings;
    settings.site = kSitePaipai;
    settings.tab = kTabInvoice;
    settings.now = CaptureTime{2026, 12, 7, 9, 30, 0};
    settings.invoiceSn = 42;
    settings.freightBillChanged = [&] { freightUnsaved = true; };
    settings.invoiceChanged = [&] { invoiceUnsaved = true; };
    FormsCaptureHost host(input, &freight, &invoice, trade, prompter, settings);
    EXPECT_EQ(host.FieldBoxCount(), 2);
    EXPECT_EQ(host.FieldBox(1).PlainText(), "b");
    EXPECT_EQ(host.FieldBox(2).PlainText(), "");
    EXPECT_EQ(host.FieldBox(-1).PlainText(), "");
    EXPECT_EQ(host.InvoiceDocument().PlainText(), "body");
    EXPECT_EQ(host.Now().minute, 30);
    EXPECT_EQ(host.InvoiceSequenceNumber(), 42);
    host.SetInvoiceUnsaved();
    EXPECT_TRUE(invoiceUnsaved);
    EXPECT_FALSE(freightUnsaved);
    host.SetReplaceText("x");
    EXPECT_EQ(host.ReplaceText(), "x");
}

TEST(DocumentChecks, WithoutAPrompterTheSaveStopsButTheKeywordIsShown) {
    PlainTextDocument doc("ab{k}c");
    EXPECT_FALSE(CheckUnreplacedKeyword(doc, nullptr));
    EXPECT_EQ(doc.SelStart(), 2);
    EXPECT_EQ(doc.SelLength(), 3);
    // A close brace before the open one is no keyword.
    PlainTextDocument reversed("} {");
    EXPECT_TRUE(CheckUnreplacedKeyword(reversed, nullptr));
    // A trail byte never ends a double-byte character's search early.
    EXPECT_EQ(FindAsciiChar("\x81{{", '{', 0), 2u);
    EXPECT_EQ(FindAsciiChar("{", '{', 1), std::string::npos);

    GoodsGrid grid;
    EXPECT_TRUE(CheckRepeatedTrade(grid, nullptr));
    grid.SetCell(GoodsGrid::kTradeNumber, 1, "T");
    grid.InsertGoodsRow();
    grid.SetCell(GoodsGrid::kTradeNumber, 2, "T");
    EXPECT_FALSE(CheckRepeatedTrade(grid, nullptr));
}

TEST(EmbeddedPicture, ReplacesTheFolderCopyOnlyForANamedBackground) {
    QImage picture(100, 50, QImage::Format_RGB32);
    picture.fill(Qt::gray);
    std::string jpeg;
    ASSERT_TRUE(EncodeJpeg(picture, &jpeg).ok);
    FreightBillRecord record;
    record.backgroundImage = "missing.jpg";
    std::string bytes;
    AppendFreightBillRecord(bytes, record);

    testing::RecordingPrompter prompter;
    FreightBillForm form;
    ApplyFreightBillRecord(form, ReadFreightBillRecord(bytes), "/nonexistent", &prompter, &jpeg);
    EXPECT_EQ(form.background.size(), QSize(734, 367));
    EXPECT_TRUE(prompter.messages.empty());

    // Damaged or empty bytes keep the previous picture and say why, as a missing file does.
    EXPECT_FALSE(LoadBackgroundJpeg("not a jpeg", kPictureArea, &form.background, &prompter));
    EXPECT_FALSE(LoadBackgroundJpeg("", kPictureArea, &form.background, &prompter));
    EXPECT_EQ(prompter.messages, std::vector<std::string>(2, CannotOpenPictureMessage()));
    EXPECT_EQ(form.background.size(), QSize(734, 367));

    // A record naming no picture shows none, whatever the exchange file carried.
    record.backgroundImage.clear();
    bytes.clear();
    AppendFreightBillRecord(bytes, record);
    FreightBillForm bare;
    prompter.messages.clear();
    ApplyFreightBillRecord(bare, ReadFreightBillRecord(bytes), "/nonexistent", &prompter, &jpeg);
    EXPECT_TRUE(bare.background.isNull());
    EXPECT_TRUE(prompter.messages.empty());
}

}  // namespace
}  // namespace tallivo
