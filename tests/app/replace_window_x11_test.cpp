// The visible find-and-replace window on a real X server: while it is the active window, the
// main window's boxes never have the keyboard focus.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QTest>
#include <QToolButton>
#include <algorithm>

#include "app/tform_replace.h"
#include "app/window_fixture.h"
#include "ui_tform_replace.h"

namespace tallivo {
namespace {

using testing::Example;

class ReplaceWindowX11 : public testing::WindowTest {
protected:
    std::string FormText(Tab tab) {
        if (tab == kTabInvoice) return GbkToUtf8(ws().Invoice().Body().PlainText());
        std::string all;
        for (std::size_t i = 0; i < ws().FreightBill().boxes.size(); ++i)
            all += BoxText(static_cast<int>(i));
        return all;
    }
    static long Keywords(const std::string& text) {
        return static_cast<long>(std::count(text.begin(), text.end(), '{'));
    }
};

TEST_F(ReplaceWindowX11, ReplaceAndReplaceAllFillBothFormsFromTheActiveReplaceWindow) {
    ui().CheckBoxAutoUpdate->setChecked(false);
    ui().MemoInputText->setPlainText(Example("taobao-order-detail.txt"));
    ui().ComboBoxInputText->setCurrentIndex(kSiteTaobao);
    for (Tab tab : {kTabFreightBill, kTabInvoice}) {
        SCOPED_TRACE(tab);
        ui().PageControlPrint->setCurrentIndex(tab);
        QTest::mouseClick(ui().SpeedButtonUpdateText, Qt::LeftButton);
        TFormReplace* replace = controller->ReplaceWindow();
        ASSERT_NE(replace, nullptr);
        replace->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(replace));

        const std::string before = FormText(tab);
        ASSERT_GT(Keywords(before), 1) << before;
        QTest::mouseClick(replace->ui()->SpeedButtonFind, Qt::LeftButton);
        ASSERT_FALSE(replace->ReplaceText().isEmpty());
        QTest::mouseClick(replace->ui()->SpeedButtonReplace, Qt::LeftButton);
        const std::string once = FormText(tab);
        EXPECT_EQ(Keywords(once), Keywords(before) - 1) << once;
        EXPECT_EQ(QApplication::activeWindow(), replace);

        QTest::mouseClick(replace->ui()->SpeedButtonReplaceAll, Qt::LeftButton);
        EXPECT_EQ(Keywords(FormText(tab)), 0) << FormText(tab);
        EXPECT_TRUE(tab == kTabInvoice ? ws().InvoiceUnsaved() : ws().FreightBillUnsaved());
    }
}

}  // namespace
}  // namespace tallivo
