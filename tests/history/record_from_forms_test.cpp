#include "history/record_from_forms.h"

#include <gtest/gtest.h>

#include "text/gbk_codec.h"

namespace tallivo {
namespace {

TEST(RecordFromFormsTest, InvoiceTakesItsGridsTradesAndTheRememberedBuyer) {
    InvoiceForm invoice;
    invoice.grid.InsertGoodsRow();  // header, two goods rows, total
    invoice.grid.SetCell(GoodsGrid::kTradeNumber, 1, "T1");
    invoice.grid.SetCell(GoodsGrid::kTradeNumber, 2, "T1");
    TradeState trade;
    trade.currentBuyer = "buyer";
    FormValues values;
    values.buyer = "page buyer";
    values.consignee = "c";
    values.mobile = "13812345678";
    values.telephone = "0571 8888 6666";
    values.tradeNumbers = {"P1"};
    PrintDetails details;
    details.templateName = "T";
    details.sequenceNumber = 7;
    details.printer = "HP";
    details.copies = 2;
    const HistoryRecord r = FromInvoice(invoice, trade, values, details);
    EXPECT_EQ(r.form, FormKind::kInvoice);
    EXPECT_EQ(r.tradeNumbers, std::vector<std::string>{"T1"});
    EXPECT_EQ(r.buyer, "buyer");
    EXPECT_EQ(r.consignee, "c");
    EXPECT_EQ(r.sequenceNumber, 7);
    EXPECT_EQ(r.copies, 2);

    const HistoryRecord f = FromFreightBill(values, details);
    EXPECT_EQ(f.form, FormKind::kFreightBill);
    EXPECT_EQ(f.tradeNumbers, std::vector<std::string>{"P1"});
    EXPECT_EQ(f.buyer, "page buyer");
    EXPECT_EQ(f.mobile, "13812345678");
    EXPECT_EQ(f.telephone, "0571 8888 6666");

    // The refill gets back what was recorded, a fixed telephone with blanks whole.
    const FormValues back = RecordFormValues(f);
    EXPECT_EQ(back.mobile, f.mobile);
    EXPECT_EQ(back.telephone, f.telephone);
    EXPECT_EQ(back.TradeNumbers(), f.tradeNumbers);
    EXPECT_EQ(back.sequenceNumber, 7);
}

}  // namespace
}  // namespace tallivo
