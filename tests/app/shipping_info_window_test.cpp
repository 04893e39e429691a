#include <QLineEdit>

#include "app/tform_replace.h"
#include "app/window_fixture.h"
#include "ui_tform_replace.h"

namespace tallivo {
namespace {

using ShippingInfoWindow = testing::WindowTest;

TEST_F(ShippingInfoWindow, ThirdSiteFillsBothTabsAndShowsItsDoubtsOncePerText) {
    ASSERT_EQ(ui().ComboBoxInputText->count(), 3);
    EXPECT_EQ(ui().ComboBoxInputText->itemText(2), QString::fromUtf8(u8"收货信息"));
    ui().MemoInputText->setPlainText(QString::fromUtf8(u8"李丽 13166666666\n朝阳区建国路88号"));
    ui().ComboBoxInputText->setCurrentIndex(kSiteShippingInfo);
    EXPECT_EQ(ws().SourceSite(), kSiteShippingInfo);

    ui().PageControlPrint->setCurrentIndex(kTabFreightBill);
    QTest::mouseClick(ui().SpeedButtonUpdateText, Qt::LeftButton);
    std::string all;
    for (std::size_t i = 0; i < ws().FreightBill().boxes.size(); ++i)
        all += BoxText(static_cast<int>(i));
    EXPECT_NE(all.find(u8"李丽"), std::string::npos) << all;
    EXPECT_NE(all.find(u8"13166666666"), std::string::npos) << all;
    EXPECT_TRUE(prompter.messages.empty());
    ASSERT_EQ(prompter.information.size(), 1u);
    EXPECT_NE(prompter.information[0].text.find(Gbk(u8"朝阳区")), std::string::npos);

    prompter.answers = {false};  // the filled freight bill is given up
    ui().PageControlPrint->setCurrentIndex(kTabInvoice);
    QTest::mouseClick(ui().SpeedButtonUpdateText, Qt::LeftButton);
    EXPECT_NE(ui().RichEditInvoice->toPlainText().indexOf(QString::fromUtf8(u8"李丽")), -1);
    EXPECT_TRUE(ws().Invoice().grid.Cell(GoodsGrid::kGoodsName, 1).empty());
    EXPECT_EQ(prompter.information.size(), 1u);
}

TEST_F(ShippingInfoWindow, FindNextOffersTheRecognisedValueOfTheSelectedKeyword) {
    ui().CheckBoxAutoUpdate->setChecked(false);
    ui().MemoInputText->setPlainText(
        QString::fromUtf8(u8"收货人: 李丽 手机号码: 13166666666 所在地区: 上海市黄浦区 "
                          u8"详细地址: 南苏州路333号"));
    ui().ComboBoxInputText->setCurrentIndex(kSiteShippingInfo);
    ui().PageControlPrint->setCurrentIndex(kTabInvoice);
    ws().Invoice().Body().SetPlainText(Gbk(u8"{买家}{收货地址}{收货人}"));
    QTest::mouseClick(ui().SpeedButtonUpdateText, Qt::LeftButton);
    TFormReplace* replace = controller->ReplaceWindow();
    ASSERT_NE(replace, nullptr);
    replace->MenuItemFindClick();
    EXPECT_EQ(replace->ReplaceText(), QString::fromUtf8(u8"上海市 黄浦区 南苏州路333号"));
    replace->ui()->EditReplace->setText(QString::fromUtf8(u8"上海市黄浦区南苏州路333号"));
    emit replace->ui()->EditReplace->textEdited(replace->ReplaceText());
    replace->MenuItemReplaceClick();
    EXPECT_EQ(replace->ReplaceText(), QString::fromUtf8(u8"李丽"));
    EXPECT_EQ(ws().Invoice().Body().PlainText(), Gbk(u8"{买家}上海市黄浦区南苏州路333号{收货人}"));
    EXPECT_TRUE(prompter.information.empty());
    replace->close();
}

}  // namespace
}  // namespace tallivo
