#include "invoice/goods_grid.h"

#include <gtest/gtest.h>

#include "support/recording_prompter.h"
#include "text/gbk_codec.h"
#include "text/message_sink.h"

namespace tallivo {
namespace {

void FillRow(GoodsGrid& grid, int row, const char* q, const char* price, const char* postage,
             const char* discount) {
    grid.SetCell(GoodsGrid::kQuantity, row, q);
    grid.SetCell(GoodsGrid::kUnitPrice, row, price);
    grid.SetCell(GoodsGrid::kPostage, row, postage);
    grid.SetCell(GoodsGrid::kDiscount, row, discount);
}

TEST(GoodsGridTest, FreshGridHasHeaderOneGoodsRowAndTotal) {
    GoodsGrid grid;
    ASSERT_EQ(grid.RowCount(), 3);
    EXPECT_EQ(grid.Cell(0, 0), Gbk(u8"交易号"));
    EXPECT_EQ(grid.Cell(6, 0), Gbk(u8"金额"));
    EXPECT_EQ(grid.Cell(0, 2), Gbk(u8"合计"));
    EXPECT_EQ(grid.CurrentRow(), 1);
    EXPECT_EQ(grid.CurrentColumn(), 1);
    EXPECT_EQ(grid.Cell(7, 1), "");
    EXPECT_EQ(grid.Cell(0, 3), "");
}

TEST(GoodsGridTest, NumbersReadAsTheCLibraryDoes) {
    EXPECT_EQ(ReadGridInteger("2.5"), 2);
    EXPECT_EQ(ReadGridInteger(" -3x"), -3);
    EXPECT_EQ(ReadGridInteger(Gbk(u8"2件")), 2);
    EXPECT_EQ(ReadGridDecimal("abc"), 0.0);
    EXPECT_EQ(ReadGridDecimal(" 10.5yuan"), 10.5);
    EXPECT_EQ(FormatMoney(23), "23.00");
    EXPECT_EQ(FormatMoney(-0.125L), "-0.12");
    EXPECT_EQ(FormatMoney(1e70L).size(), 74u);
}

TEST(GoodsGridTest, EditRecomputesAmountOnlyForCompleteRows) {
    GoodsGrid grid;
    FillRow(grid, 1, "2", "10.5", "5", "-3");
    grid.SetCell(GoodsGrid::kAmount, 1, "999");
    grid.StringGridInvoiceSetEditText(1);
    EXPECT_EQ(grid.Cell(6, 1), "23.00");
    EXPECT_EQ(grid.Cell(6, 2), "23.00");

    // Empty discount: the typed amount stays and still counts.
    grid.InsertGoodsRow();
    FillRow(grid, 2, "2.5", "abc", "1", "");
    grid.SetCell(GoodsGrid::kAmount, 2, "7");
    grid.StringGridInvoiceSetEditText(2);
    EXPECT_EQ(grid.Cell(6, 2), "7");
    EXPECT_EQ(grid.Cell(6, 3), "30.00");
    grid.SetCell(GoodsGrid::kDiscount, 2, "0");
    grid.StringGridInvoiceSetEditText(2);
    EXPECT_EQ(grid.Cell(6, 2), "1.00");  // 2 x 0 + 1 + 0
}

TEST(GoodsGridTest, GrandTotalIsSummedInSinglePrecision) {
    GoodsGrid grid;
    grid.SetCell(GoodsGrid::kAmount, 1, "1234567.89");
    grid.RecalculateGoodsTotals();
    EXPECT_EQ(grid.Cell(6, 2), "1234567.88");
}

TEST(GoodsGridTest, InsertAndDeleteMoveGoodsButNotTradeNumbers) {
    GoodsGrid grid;
    grid.SetCell(0, 1, "T1");
    grid.SetCell(1, 1, "A");
    grid.SetCurrentCell(1, 1);
    grid.InsertGoodsRow();
    ASSERT_EQ(grid.RowCount(), 4);
    EXPECT_EQ(grid.CurrentRow(), 2);
    EXPECT_EQ(grid.Cell(0, 3), Gbk(u8"合计"));
    EXPECT_EQ(grid.Cell(0, 2), "");
    grid.SetCell(0, 2, "T2");
    grid.SetCell(1, 2, "B");
    grid.RecalculateGoodsTotals();

    grid.SetCurrentCell(1, 1);
    grid.InsertGoodsRow();
    ASSERT_EQ(grid.RowCount(), 5);
    EXPECT_EQ(grid.Cell(0, 2), "T2");  // stays in place beside the new empty goods cells
    EXPECT_EQ(grid.Cell(1, 2), "");
    EXPECT_EQ(grid.Cell(1, 3), "B");
    EXPECT_EQ(grid.Cell(0, 3), "");
    EXPECT_EQ(grid.Cell(0, 4), Gbk(u8"合计"));
    EXPECT_EQ(grid.Cell(6, 4), "0.00");

    // Row 2 still holds a trade number: not empty, not deleted.
    EXPECT_FALSE(grid.DeleteCurrentRowIfEmpty());
    grid.SetCell(0, 2, "");
    EXPECT_TRUE(grid.DeleteCurrentRowIfEmpty());
    ASSERT_EQ(grid.RowCount(), 4);
    EXPECT_EQ(grid.Cell(1, 2), "B");
    EXPECT_EQ(grid.Cell(0, 3), Gbk(u8"合计"));
    EXPECT_FALSE(grid.CheckRepeatedGoods("B", 1));
    EXPECT_TRUE(grid.CheckRepeatedGoods("T2", 0));

    // Never below one goods row; never the total row.
    grid.SetCell(1, 2, "");
    grid.SetCurrentCell(1, 2);
    EXPECT_TRUE(grid.DeleteCurrentRowIfEmpty());
    EXPECT_EQ(grid.RowCount(), 3);
    grid.SetCell(0, 1, "");
    grid.SetCell(1, 1, "");
    grid.SetCurrentCell(1, 1);
    EXPECT_FALSE(grid.DeleteCurrentRowIfEmpty());
    grid.SetCurrentCell(1, 2);
    grid.InsertGoodsRow();
    EXPECT_EQ(grid.RowCount(), 3);
}

TEST(GoodsGridTest, FreeRowSearchAndRepeatedGoodsFollowEdits) {
    GoodsGrid grid;
    int focus = 0;
    grid.onFocusRequest = [&] { ++focus; };
    EXPECT_EQ(grid.FindFreeGoodsRow(), 1);
    grid.SetCell(1, 1, "A");
    EXPECT_EQ(grid.FindFreeGoodsRow(), 2);
    EXPECT_EQ(focus, 1);
    grid.SetCell(1, 2, "B");
    EXPECT_EQ(grid.FindFreeGoodsRow(), 3);
    EXPECT_EQ(grid.RowCount(), 5);
    grid.SetCell(1, 1, "");
    EXPECT_EQ(grid.FindFreeGoodsRow(), 1);
    EXPECT_TRUE(grid.CheckRepeatedGoods("A", 1));
    EXPECT_FALSE(grid.CheckRepeatedGoods("B", 1));
    EXPECT_TRUE(grid.CheckRepeatedGoods("", 1));
    // Header and total texts are not goods.
    EXPECT_TRUE(grid.CheckRepeatedGoods(Gbk(u8"品名"), 1));
    EXPECT_TRUE(grid.CheckRepeatedGoods(Gbk(u8"合计"), 0));

    testing::RecordingPrompter prompter;
    ScopedPrompter scope(&prompter);
    grid.SetCell(6, 2, "5");
    EXPECT_FALSE(grid.CheckRepeatedGoods("5", 6));
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0], Gbk(u8"函数CheckRepeatedGoods()的参数不正确！"));
}

TEST(GoodsGridTest, RecalculateFillsOnlyMissingAmounts) {
    GoodsGrid grid;
    FillRow(grid, 1, "3", "1.10", "0", "0");
    grid.SetCell(GoodsGrid::kAmount, 1, "50");
    grid.RecalculateGoodsTotals();
    EXPECT_EQ(grid.Cell(6, 1), "50");
    grid.SetCell(GoodsGrid::kAmount, 1, "");
    grid.RecalculateGoodsTotals();
    EXPECT_EQ(grid.Cell(6, 1), "3.30");
    EXPECT_EQ(grid.Cell(6, 2), "3.30");
}

}  // namespace
}  // namespace tallivo
