#include "invoice/goods_grid.h"

#include <gtest/gtest.h>

#include "support/recording_prompter.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

void FillRow(GoodsGrid& grid, int row, const char* q, const char* price, const char* postage,
             const char* discount) {
    grid.SetCell(GoodsGrid::kQuantity, row, q);
    grid.SetCell(GoodsGrid::kUnitPrice, row, price);
    grid.SetCell(GoodsGrid::kPostage, row, postage);
    grid.SetCell(GoodsGrid::kDiscount, row, discount);
}

TEST(GoodsGridTest, AmountsAndTotals) {
    EXPECT_EQ(ReadGridInteger("2.5"), 2);
    // 64 bits on every system: a Windows long would stop at 2147483647.
    EXPECT_EQ(ReadGridInteger("4294967297"), 4294967297LL);
    EXPECT_EQ(ReadGridDecimal(" 10.5yuan"), 10.5);
    EXPECT_EQ(FormatMoney(1e70L).size(), 74u);

    GoodsGrid grid;
    FillRow(grid, 1, "2", "10.5", "5", "-3");
    grid.SetCell(GoodsGrid::kAmount, 1, "999");  // typed amounts of complete rows are overwritten
    grid.StringGridInvoiceSetEditText(1);
    EXPECT_EQ(grid.Cell(6, 1), "23.00");
    // An incomplete row keeps its typed amount, which still counts; letters read as 0.
    grid.InsertGoodsRow();
    FillRow(grid, 2, "2.5", "abc", "1", "");
    grid.SetCell(GoodsGrid::kAmount, 2, "7");
    grid.RecalculateGoodsTotals();
    EXPECT_EQ(grid.Cell(6, 2), "7");
    EXPECT_EQ(grid.Cell(6, 3), "30.00");
    grid.SetCell(GoodsGrid::kDiscount, 2, "0");
    grid.SetCell(GoodsGrid::kAmount, 2, "");
    grid.RecalculateGoodsTotals();
    EXPECT_EQ(grid.Cell(6, 2), "1.00");
    // Single-precision grand total loses the last cent here.
    grid.SetCell(GoodsGrid::kAmount, 1, "1234566.89");
    grid.RecalculateGoodsTotals();
    EXPECT_EQ(grid.Cell(6, 3), "1234567.88");
    grid.SetCell(GoodsGrid::kAmount, 1, "1e300");
    grid.RecalculateGoodsTotals();
    EXPECT_EQ(grid.Cell(6, 3), "inf");
}

// Hexadecimal, infinities and NaN are no prices: they would carry into every total.
TEST(GoodsGridTest, OnlyDecimalNotationReadsAsANumber) {
    for (const char* zero : {"0x10", "nan", "-inf", "INFINITY", ".", "-", "+e3", "", " \t"}) {
        EXPECT_EQ(ReadGridDecimal(zero), 0.0) << zero;
    }
    EXPECT_EQ(ReadGridDecimal(" +.5"), 0.5);
    EXPECT_EQ(ReadGridDecimal("-5.x"), -5.0);
    EXPECT_EQ(ReadGridDecimal("1e3"), 1000.0);
    EXPECT_EQ(ReadGridDecimal("2E-1yuan"), 0.2);
    EXPECT_EQ(ReadGridDecimal("7e"), 7.0);
    EXPECT_EQ(ReadGridDecimal("3.e+"), 3.0);
    EXPECT_EQ(ReadGridInteger("0x10"), 0);

    GoodsGrid grid;
    FillRow(grid, 1, "2", "0x10", "nan", "1");
    grid.StringGridInvoiceSetEditText(1);
    EXPECT_EQ(grid.Cell(6, 1), "1.00");
    grid.InsertGoodsRow();
    grid.SetCell(GoodsGrid::kAmount, 2, "nan");
    grid.RecalculateGoodsTotals();
    EXPECT_EQ(grid.Cell(6, 3), "1.00");
}

TEST(GoodsGridTest, InsertAndDeleteMoveGoodsButNotTradeNumbers) {
    GoodsGrid grid;
    grid.SetCell(0, 1, "T1");
    grid.SetCell(1, 1, "A");
    grid.InsertGoodsRow();
    grid.SetCell(0, 2, "T2");
    grid.SetCell(1, 2, "B");
    grid.SetCurrentCell(1, 1);
    grid.InsertGoodsRow();
    ASSERT_EQ(grid.RowCount(), 5);
    EXPECT_EQ(grid.CurrentRow(), 2);
    EXPECT_EQ(grid.Cell(0, 2), "T2");
    EXPECT_EQ(grid.Cell(1, 2), "");
    EXPECT_EQ(grid.Cell(1, 3), "B");
    EXPECT_EQ(grid.Cell(0, 3), "");
    EXPECT_EQ(grid.Cell(0, 4), Gbk(u8"合计"));

    EXPECT_FALSE(grid.DeleteCurrentRowIfEmpty());  // row 2 still holds a trade number
    grid.SetCell(0, 2, "");
    EXPECT_TRUE(grid.DeleteCurrentRowIfEmpty());
    ASSERT_EQ(grid.RowCount(), 4);
    EXPECT_EQ(grid.Cell(1, 2), "B");
    EXPECT_EQ(grid.Cell(0, 3), Gbk(u8"合计"));
    EXPECT_EQ(grid.Cell(6, 3), "0.00");
    EXPECT_TRUE(grid.CheckRepeatedGoods("T2", 0));
    EXPECT_FALSE(grid.CheckRepeatedGoods("B", 1));

    // Never the total row, never the only goods row.
    grid.Reset();
    EXPECT_FALSE(grid.DeleteCurrentRowIfEmpty());
    grid.SetCurrentCell(1, 2);
    grid.InsertGoodsRow();
    EXPECT_EQ(grid.RowCount(), 3);
}

TEST(GoodsGridTest, FreeRowsAndRepeatedGoodsFollowEdits) {
    GoodsGrid grid;
    int focus = 0;
    grid.onFocusRequest = [&] { ++focus; };
    EXPECT_EQ(grid.FindFreeGoodsRow(), 1);
    grid.SetCell(1, 1, "A");
    EXPECT_EQ(grid.FindFreeGoodsRow(), 2);
    grid.SetCell(1, 2, "B");
    EXPECT_EQ(grid.FindFreeGoodsRow(), 3);
    EXPECT_EQ(focus, 2);
    grid.SetCell(1, 1, "");
    EXPECT_EQ(grid.FindFreeGoodsRow(), 1);
    EXPECT_TRUE(grid.CheckRepeatedGoods("A", 1));
    EXPECT_TRUE(grid.CheckRepeatedGoods("", 1));
    // Header and total texts are no goods.
    EXPECT_TRUE(grid.CheckRepeatedGoods(Gbk(u8"品名"), 1));
    EXPECT_TRUE(grid.CheckRepeatedGoods(Gbk(u8"合计"), 0));

    testing::RecordingPrompter prompter;
    grid.SetCell(6, 2, "5");
    EXPECT_FALSE(grid.CheckRepeatedGoods("5", 6, &prompter));
    EXPECT_TRUE(grid.CheckRepeatedGoods("A", 1, &prompter));
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0], Gbk(u8"函数CheckRepeatedGoods()的参数不正确！"));
}

}  // namespace
// A view follows single changes; only loading a whole grid is a reset.
TEST(GoodsGrid, ListenerHearsEachChangeInOrder) {
    struct Log : GoodsGridListener {
        std::vector<std::string> events;
        void GridAboutToReset() override { events.push_back("reset?"); }
        void GridReset() override { events.push_back("reset"); }
        void RowsAboutToBeInserted(int first, int count) override {
            events.push_back("insert " + std::to_string(first) + "+" + std::to_string(count));
        }
        void RowsAboutToBeRemoved(int first, int count) override {
            events.push_back("remove " + std::to_string(first) + "+" + std::to_string(count));
        }
        void CellsChanged(int r0, int r1, int c0, int c1) override {
            events.push_back("cells " + std::to_string(r0) + "-" + std::to_string(r1) + " " +
                             std::to_string(c0) + "-" + std::to_string(c1));
        }
    } log;
    GoodsGrid grid;
    grid.SetListener(&log);
    grid.SetCell(1, 1, "a");
    grid.InsertGoodsRow();
    grid.DeleteCurrentRowIfEmpty();
    GoodsGrid copy = grid;  // a copy is not followed
    copy.SetCell(2, 1, "x");
    grid.Reset();
    EXPECT_EQ(log.events, (std::vector<std::string>{"cells 1-1 1-1", "insert 2+1", "cells 2-3 0-0",
                                                    "remove 2+1", "cells 2-2 0-0", "cells 2-2 6-6",
                                                    "reset?", "reset"}));
}

}  // namespace tallivo
