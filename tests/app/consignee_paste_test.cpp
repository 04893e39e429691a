// Consignees pasted into the order list, or dropped on it as a text file.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>

#include "app/order_list_support.h"
#include "support/order_exports.h"

namespace tallivo {
namespace {

using testing::OrderListTest;

TEST_F(OrderListTest, PastedConsigneesBecomeOrdersMarkedWhereDoubted) {
    ui().MenuItemOrders->trigger();
    TFormOrders* orders = commands->OrdersWindow();
    ASSERT_NE(orders, nullptr);
    QGuiApplication::clipboard()->setText(QString::fromUtf8(
        u8"李丽 13166666666 上海市黄浦区南苏州路333号\n王五 13912345678 朝阳区建国路88号\n"));
    orders->ui()->ButtonPasteConsignees->click();
    OrderListModel& model = orders->Model();
    ASSERT_EQ(model.rowCount(), 2);
    const QModelIndex first = model.index(0, OrderListModel::kConsignee);
    const QModelIndex second = model.index(1, OrderListModel::kConsignee);
    EXPECT_EQ(first.data().toString(), QString::fromUtf8(u8"李丽"));
    EXPECT_TRUE(model.index(0, OrderListModel::kTrade).data().toString().isEmpty());
    EXPECT_FALSE(first.data(Qt::DecorationRole).isValid());
    EXPECT_TRUE(second.data(Qt::DecorationRole).isValid());
    EXPECT_TRUE(second.data(Qt::ToolTipRole).toString().contains(QString::fromUtf8(u8"朝阳区")));
    EXPECT_TRUE(prompter.messages.empty());

    // A text file dropped or opened adds its consignees; one without any says so.
    const QString txt = dir.filePath(QStringLiteral("chat.txt"));
    testing::WriteBytes(txt.toStdString(), Gbk(u8"张三 13812345678 浙江省杭州市西湖区文三路1号"));
    EXPECT_TRUE(orders->OpenFiles({txt.toStdString()}));
    EXPECT_EQ(model.rowCount(), 3);
    testing::WriteBytes(txt.toStdString(), "hello");
    EXPECT_FALSE(orders->OpenFiles({txt.toStdString()}));
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(GbkToUtf8(prompter.messages[0]), u8"没有找到收货信息。");
}

}  // namespace
}  // namespace tallivo
