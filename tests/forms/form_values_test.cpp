#include "forms/form_values.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "forms/template_choice.h"
#include "forms/workspace.h"
#include "recording_prompter.h"
#include "storage/config_file.h"
#include "storage/file_io.h"
#include "storage/template_store.h"
#include "support/example_files.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

std::string Page(const char* name) {
    std::string text;
    for (char c : testing::ExampleBytes(name)) {
        if (c == '\n' && (text.empty() || text.back() != '\r')) text += '\r';
        text += c;
    }
    return text;
}

class FormValuesTest : public ::testing::Test {
protected:
    FormValuesTest() : ws(dir.path().toStdString(), &prompter, nullptr) {
        ws.SetClock(CaptureTime{2026, 3, 7, 9, 5, 2});
        ws.SetSourceSite(kSiteTaobao);
    }
    QTemporaryDir dir;
    testing::RecordingPrompter prompter;
    FormsWorkspace ws;
};

TEST(CaptureFormValuesTest, ValuesAreThoseTheCaptureOffersForThePage) {
    const FormValues values = CaptureFormValues(Page("taobao-order-detail.txt"), kSiteTaobao);
    EXPECT_EQ(values.consignee, Gbk(u8"张小明"));
    EXPECT_EQ(values.buyer, "mingming_zhang");
    EXPECT_NE(values.address->find(Gbk(u8"浙江省")), std::string::npos);
    EXPECT_EQ(values.mobile, "13812345678");
    EXPECT_EQ(values.TradeNumbers(), std::vector<std::string>{"2008030712345678"});

    // A page nobody recognises, or none, gives nothing and asks nothing.
    const FormValues none = CaptureFormValues(Gbk(u8"随便一段文字"), kSiteTaobao);
    EXPECT_FALSE(none.consignee);
    EXPECT_TRUE(none.TradeNumbers().empty());
    EXPECT_FALSE(CaptureFormValues("", kSiteTaobao).buyer);
}

TEST_F(FormValuesTest, FreightBillKeywordsTakeTheValuesAsTheCaptureWouldPutThem) {
    ws.SetCurrentTab(kTabFreightBill);
    AddFieldBox(ws.FreightBill(), Gbk(u8"{收货人} {手机}/{电话}"), 0, 0, 20, 100);
    AddFieldBox(ws.FreightBill(), Gbk(u8"{交易网站} {发货日期} {发货时间} {邮政编码}"), 0, 30, 20,
                100);
    FormValues values;
    values.consignee = Gbk(u8"{买家}");  // a value holding a keyword is not searched again
    values.mobile = "138 1234 5678";
    values.telephone = "0571-88886666";
    values.buyer = "b";
    ws.SetInvoiceSN(41);
    FillFromValues(ws, values);
    EXPECT_EQ(ws.FreightBill().boxes[0]->content->PlainText(),
              Gbk(u8"{买家} 138 1234 5678/0571-88886666"));
    // Common keywords as the capture fills them; one without a value stays.
    EXPECT_EQ(ws.FreightBill().boxes[1]->content->PlainText(),
              Gbk(u8"淘宝网 2026-03-07 09:05:02 {邮政编码}"));
    EXPECT_TRUE(ws.FreightBillUnsaved());
    EXPECT_EQ(ws.FilledValues(FormKind::kFreightBill).mobile, "138 1234 5678");
    EXPECT_FALSE(ws.FilledValues(FormKind::kInvoice).consignee);

    // A fresh form from its template has no values.
    ws.ResetCurrentForm();
    EXPECT_FALSE(ws.FilledValues(FormKind::kFreightBill).consignee);
}

TEST_F(FormValuesTest, InvoiceGetsGoodsRowsOnceWithTotals) {
    ws.SetCurrentTab(kTabInvoice);
    ws.SetInvoiceSN(1);
    ws.Invoice().Body().SetPlainText(Gbk(u8"{买家} {发货单号}"));
    FormValues values;
    values.buyer = "b";
    values.goods = {{"T1", "cup", "2", "3.50", "", "", ""}, {"T1", "pot", "", "", "", "", "9.00"}};
    FillFromValues(ws, values);
    FillFromValues(ws, values);  // the same lines again add no rows; cup's amount is computed
    const GoodsGrid& grid = ws.Invoice().grid;
    EXPECT_EQ(ws.Invoice().Body().PlainText(), "b 1");
    ASSERT_EQ(grid.LastGoodsRow(), 2);
    EXPECT_EQ(grid.Cell(GoodsGrid::kGoodsName, 2), "pot");
    EXPECT_EQ(grid.Cell(GoodsGrid::kAmount, grid.TotalRow()), "16.00");
    EXPECT_EQ(ws.Trade().currentBuyer, "b");
}

// Free-form shipping info as the source site.
class ShippingInfoFill : public FormValuesTest {
protected:
    ShippingInfoFill() {
        ws.SetSourceSite(kSiteShippingInfo);
        ws.SetInputText(Gbk(u8"张三，86-13812345678，浙江省 杭州市 西湖区 文三路478号，310012"));
    }
};

TEST_F(ShippingInfoFill, ReplaceAllFillsWhatWasFoundAndEmptiesTheRest) {
    ws.SetCurrentTab(kTabFreightBill);
    AddFieldBox(ws.FreightBill(), Gbk(u8"{收货人} {电话} {收货地址} {交易网站} {发货单号}"), 0, 0,
                20, 100);
    ws.ReplaceAll();
    EXPECT_EQ(ws.FreightBill().boxes[0]->content->PlainText(),
              Gbk(u8"张三  浙江省 杭州市 西湖区 文三路478号 {交易网站} 1382401"));
    EXPECT_EQ(ws.FilledValues(FormKind::kFreightBill).postCode, "310012");
}

// Without the automatic replacement the seller may correct each value before it goes in.
TEST_F(ShippingInfoFill, FindNextOffersEachValueInTurn) {
    ws.SetCurrentTab(kTabInvoice);
    ws.Invoice().Body().SetPlainText(Gbk(u8"{买家}{手机} {收货人}"));
    ws.FindNext();
    ws.FindNext();  // nothing replaced: the same keyword again
    EXPECT_EQ(ws.ReplaceText(), "13812345678");
    ws.SetReplaceText("13800000000");
    ws.Replace();
    EXPECT_EQ(ws.ReplaceText(), Gbk(u8"张三"));
    ws.Replace();
    EXPECT_EQ(ws.Invoice().Body().PlainText(), Gbk(u8"{买家}13800000000 张三"));
}

TEST_F(ShippingInfoFill, NothingFoundIsSaidWithoutDoubts) {
    ws.SetCurrentTab(kTabInvoice);
    ws.SetInputText("0000000000000000");
    ws.ReplaceAll();
    EXPECT_EQ(prompter.messages, std::vector<std::string>{Gbk(u8"无法识别的输入文本！")});
    EXPECT_EQ(ws.TakeShippingInfoDoubts(), "");

    // Too long a text is not looked at, and the seller is told that rather than "unrecognised".
    prompter.messages.clear();
    ws.SetInputText(Gbk(u8"张三 13812345678 浙江省杭州市西湖区文三路478号 ") +
                    std::string(9000, 'x'));
    ws.ReplaceAll();
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(GbkToUtf8(prompter.messages[0]).rfind(u8"文字太长", 0), 0u)
        << GbkToUtf8(prompter.messages[0]);
}

TEST_F(ShippingInfoFill, ConfigKeepsTheThirdSiteAndReadsOtherValuesAsBefore) {
    for (const auto& [line, site] : {std::pair{"1", kSitePaipai}, std::pair{"7", kSiteNone}}) {
        ASSERT_TRUE(WriteFileReplacing(
            ws.ProgramFolder() + "/Config.pcf",
            "ConfigFileVer: 1.00\r\n1\r\n1\r\n" + std::string(line) + "\r\n-1\r\n-1"));
        ws.ReadConfig();
        EXPECT_EQ(ws.SourceSite(), site);
    }
    ws.SetSourceSite(kSiteShippingInfo);
    ws.SaveConfig();
    EXPECT_EQ(ws.ReadConfig().config.sourceSite, 2);
}

TEST_F(FormValuesTest, NamedTemplateWinsOverTheDefaultOfConfig) {
    std::vector<TemplateEntry> entries;
    for (const char* name : {"first", "second"}) {
        InvoiceForm form;
        TemplateEntry entry;
        entry.name = name;
        WriteInvoiceRecord(entry.record, form);
        entries.push_back(entry);
    }
    ASSERT_TRUE(SaveInvoiceTemplates(ws.ProgramFolder(), entries).ok);
    Config config;
    config.defaultInvoice = 0;
    ASSERT_TRUE(tallivo::SaveConfig(ws.ProgramFolder(), config).ok);
    const TemplateChoice named = ChooseTemplate(ws, FormKind::kInvoice, "second");
    EXPECT_TRUE(named.Chosen());
    EXPECT_EQ(ws.InvoiceTemplates().Selected()->name, "second");
    EXPECT_EQ(ChooseTemplate(ws, FormKind::kInvoice, "third").outcome,
              TemplateChoice::Outcome::kNoSuchTemplate);
    EXPECT_TRUE(ChooseTemplate(ws, FormKind::kInvoice, "").Chosen());
    EXPECT_EQ(ws.InvoiceTemplates().Selected()->name, "first");
}

}  // namespace
}  // namespace tallivo
