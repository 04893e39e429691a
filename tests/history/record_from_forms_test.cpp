#include "history/record_from_forms.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "text/gbk_codec.h"

namespace tallivo {
namespace {

std::string Page(const char* name) {
    std::ifstream in(std::string(TALLIVO_EXAMPLES_DIR) + "/" + name, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    std::string text;
    for (char c : bytes.str()) {
        if (c == '\n' && (text.empty() || text.back() != '\r')) text += '\r';
        text += c;
    }
    return text;
}

TEST(RecordFromFormsTest, ValuesAreThoseTheCaptureOffersForThePage) {
    const TradeValues values = CaptureTradeValues(Page("taobao-order-detail.txt"), kSiteTaobao);
    EXPECT_EQ(values.consignee, Gbk(u8"张小明"));
    EXPECT_EQ(values.buyer, "mingming_zhang");
    EXPECT_NE(values.address.find(Gbk(u8"浙江省")), std::string::npos);
    EXPECT_NE(values.telephone.find("13812345678"), std::string::npos);
    EXPECT_EQ(values.tradeNumbers, std::vector<std::string>{"2008030712345678"});

    // A page nobody recognises, or none, gives nothing and asks nothing.
    const TradeValues none = CaptureTradeValues(Gbk(u8"随便一段文字"), kSiteTaobao);
    EXPECT_TRUE(none.consignee.empty());
    EXPECT_TRUE(none.tradeNumbers.empty());
    EXPECT_TRUE(CaptureTradeValues("", kSiteTaobao).buyer.empty());
}

TEST(RecordFromFormsTest, InvoiceTakesItsGridsTradesAndTheRememberedBuyer) {
    InvoiceForm invoice;
    invoice.grid.InsertGoodsRow();  // header, two goods rows, total
    invoice.grid.SetCell(GoodsGrid::kTradeNumber, 1, "T1");
    invoice.grid.SetCell(GoodsGrid::kTradeNumber, 2, "T1");
    TradeState trade;
    trade.currentBuyer = "buyer";
    TradeValues values;
    values.buyer = "page buyer";
    values.consignee = "c";
    values.tradeNumbers = {"P1"};
    PrintDetails details;
    details.templateName = "T";
    details.sequenceNumber = 7;
    details.printer = "HP";
    details.copies = 2;
    const HistoryRecord r = FromInvoice(invoice, trade, values, details);
    EXPECT_EQ(r.form, HistoryForm::kInvoice);
    EXPECT_EQ(r.tradeNumbers, std::vector<std::string>{"T1"});
    EXPECT_EQ(r.buyer, "buyer");
    EXPECT_EQ(r.consignee, "c");
    EXPECT_EQ(r.sequenceNumber, 7);
    EXPECT_EQ(r.copies, 2);

    const HistoryRecord f = FromFreightBill(values, details);
    EXPECT_EQ(f.form, HistoryForm::kFreightBill);
    EXPECT_EQ(f.tradeNumbers, std::vector<std::string>{"P1"});
    EXPECT_EQ(f.buyer, "page buyer");
}

}  // namespace
}  // namespace tallivo
