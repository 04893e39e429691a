#include "forms/shipping_info_fill.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "forms/workspace.h"
#include "recording_prompter.h"
#include "storage/config_file.h"
#include "storage/file_io.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

const char* const kInfo =
    u8"张三，86-13812345678，浙江省 杭州市 西湖区 文三路478号A座1201室，310012";
const char* const kAddress = u8"浙江省 杭州市 西湖区 文三路478号A座1201室";

class ShippingInfoFill : public ::testing::Test {
protected:
    ShippingInfoFill() : ws(dir.path().toStdString(), &prompter, nullptr) {
        ws.SetClock(CaptureTime{2026, 3, 7, 9, 5, 2});
        ws.SetSourceSite(kSiteShippingInfo);
        ws.SetInvoiceSN(41);
        ws.SetInputText(Gbk(kInfo));
    }
    std::string Box(int i) const { return ws.FreightBill().boxes[i]->content->PlainText(); }

    QTemporaryDir dir;
    testing::RecordingPrompter prompter;
    FormsWorkspace ws;
};

TEST_F(ShippingInfoFill, ReplaceAllFillsBothFormsWithTheRecognisedValuesOnly) {
    ws.SetCurrentTab(kTabFreightBill);
    AddFieldBox(ws.FreightBill(), Gbk(u8"{收货人} {手机} {电话}"), 0, 0, 20, 100);
    AddFieldBox(ws.FreightBill(), Gbk(u8"{收货地址} {邮政编码} {交易网站} {买家} {发货单号}"), 0,
                30, 20, 100);
    ws.ReplaceAll();
    // No fixed telephone, site or buyer in the text: those keywords stay.
    EXPECT_EQ(Box(0), Gbk(u8"张三 13812345678 {电话}"));
    EXPECT_EQ(Box(1), Gbk(std::string(kAddress) + u8" 310012 {交易网站} {买家} 41"));
    EXPECT_TRUE(ws.FreightBillUnsaved());
    EXPECT_EQ(ws.FilledValues(kTabFreightBill).postCode, "310012");

    ws.SetCurrentTab(kTabInvoice);
    ws.Invoice().Body().SetPlainText(Gbk(u8"{收货人} {收货地址} {发货日期}"));
    ws.ReplaceAll();
    EXPECT_EQ(ws.Invoice().Body().PlainText(),
              Gbk(u8"张三 " + std::string(kAddress) + u8" 2026-03-07"));
    EXPECT_EQ(GridTradeNumbers(ws.Invoice().grid).size(), 0u);
    EXPECT_EQ(ws.Invoice().grid.Cell(GoodsGrid::kGoodsName, 1), "");
    EXPECT_TRUE(prompter.messages.empty());
}

// Without the automatic replacement the seller steps through the keywords and may correct
// each value before it goes in.
TEST_F(ShippingInfoFill, FindNextOffersTheValueOfEachKeywordInTurn) {
    ws.SetCurrentTab(kTabInvoice);
    ws.Invoice().Body().SetPlainText(Gbk(u8"{买家}{手机} {收货人}"));
    ws.FindNext();
    EXPECT_EQ(ws.ReplaceText(), "13812345678");
    EXPECT_EQ(ws.Invoice().Body().SelStart(), 6);
    ws.FindNext();  // not replaced: the same keyword again
    EXPECT_EQ(ws.Invoice().Body().SelStart(), 6);
    ws.SetReplaceText("13800000000");
    ws.Replace();
    EXPECT_EQ(ws.ReplaceText(), Gbk(u8"张三"));
    ws.Replace();
    EXPECT_EQ(ws.Invoice().Body().PlainText(), Gbk(u8"{买家}13800000000 张三"));
    EXPECT_EQ(ws.Invoice().Body().SelLength(), 0);
    EXPECT_TRUE(ws.InvoiceUnsaved());
    EXPECT_EQ(ws.FilledValues(kTabInvoice).consignee, Gbk(u8"张三"));
}

TEST_F(ShippingInfoFill, NothingRecognisedIsSaidAndDoubtsAreShownOncePerText) {
    ws.SetCurrentTab(kTabInvoice);
    ws.Invoice().Body().SetPlainText(Gbk(u8"{收货人}"));
    ws.SetInputText(Gbk(u8"!!!"));
    ws.ReplaceAll();
    EXPECT_EQ(prompter.messages, std::vector<std::string>{Gbk(u8"无法识别的输入文本！")});
    EXPECT_EQ(ws.Invoice().Body().PlainText(), Gbk(u8"{收货人}"));
    EXPECT_EQ(ws.TakeShippingInfoDoubts(), "");

    // 朝阳区 lies in more than one city: filled all the same, with a doubt to show.
    ws.SetInputText(Gbk(u8"李丽 13166666666 朝阳区建国路88号"));
    ws.ReplaceAll();
    EXPECT_EQ(ws.Invoice().Body().PlainText(), Gbk(u8"李丽"));
    const std::string doubts = ws.TakeShippingInfoDoubts();
    EXPECT_NE(doubts.find(Gbk(u8"朝阳区")), std::string::npos);
    ws.ReplaceAll();
    EXPECT_EQ(ws.TakeShippingInfoDoubts(), "");
    ws.SetInputText(Gbk(u8"王五 13166666666 鼓楼区中山路1号"));
    ws.ReplaceAll();
    EXPECT_NE(ws.TakeShippingInfoDoubts(), "");
}

TEST_F(ShippingInfoFill, ConfigKeepsTheThirdSiteAndOlderOrDamagedValuesStillRead) {
    const std::string config = ws.ProgramFolder() + "/Config.pcf";
    ASSERT_TRUE(ws.SaveConfig());
    EXPECT_EQ(LoadConfig(ws.ProgramFolder()).config.sourceSite, 2);
    for (const auto& [line, site] :
         {std::pair{"1", kSitePaipai}, std::pair{"2", kSiteShippingInfo}, std::pair{"3", kSiteNone},
          std::pair{"-9", kSiteNone}, std::pair{"99999999999", kSiteNone}}) {
        ws.SetSourceSite(kSiteTaobao);
        ASSERT_TRUE(WriteFileReplacing(
            config, "ConfigFileVer: 1.00\r\n1\r\n1\r\n" + std::string(line) + "\r\n-1\r\n-1"));
        EXPECT_TRUE(ws.ReadConfig().ok);
        EXPECT_EQ(ws.SourceSite(), site) << line;
    }
}

}  // namespace
}  // namespace tallivo
