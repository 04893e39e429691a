#include "app/tform_history.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>

#include "session/app_settings.h"
#include "support/history_records.h"
#include "text/gbk_codec.h"
#include "ui_tform_history.h"

namespace tallivo {
namespace {

TEST(TFormHistoryTest, ListsNewestFirstSearchesAndHandsOnTheChosenEntry) {
    QTemporaryDir dir;
    PrintHistory history(PrintHistoryPath(dir.path().toStdString()));
    HistoryRecord older =
        testing::PrintedRecord(FormKind::kFreightBill, {"1001"}, "2026-12-06 09:00:00");
    HistoryRecord newer =
        testing::PrintedRecord(FormKind::kFreightBill, {"1002"}, "2026-12-07 09:00:00");
    newer.consignee = Gbk(u8"李四");
    ASSERT_TRUE(history.Record(older).ok);
    ASSERT_TRUE(history.Record(newer).ok);

    TFormHistory window(&history, nullptr);
    QTableWidget* grid = window.ui()->GridHistory;
    ASSERT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(grid->item(0, 2)->text(), QStringLiteral("1002"));
    EXPECT_EQ(grid->item(1, 4)->text(), QString::fromUtf8(u8"张三"));
    EXPECT_FALSE(window.ui()->ButtonReprint->isEnabled());

    window.ui()->EditSearch->setText(QString::fromUtf8(u8"张"));
    ASSERT_EQ(grid->rowCount(), 1);
    EXPECT_EQ(grid->item(0, 2)->text(), QStringLiteral("1001"));
    window.ui()->EditSearch->setText(QStringLiteral("2026-12-07"));
    ASSERT_EQ(grid->rowCount(), 1);
    EXPECT_EQ(grid->item(0, 2)->text(), QStringLiteral("1002"));

    QSignalSpy spy(&window, &TFormHistory::reprintRequested);
    grid->selectRow(0);
    ASSERT_TRUE(window.ui()->ButtonReprint->isEnabled());
    window.ui()->ButtonReprint->click();
    ASSERT_EQ(spy.count(), 1);
    const auto chosen = spy.at(0).at(0).value<HistoryRecord>();
    EXPECT_EQ(chosen.id, newer.id);
    EXPECT_EQ(chosen.consignee, newer.consignee);
}

TEST(AppSettingsTest, ReprintWarningIsOnUntilTurnedOffAndLivesInItsOwnFile) {
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    {
        AppSettings settings(folder);
        EXPECT_TRUE(settings.ReprintWarning());
        settings.SetReprintWarning(false);
        EXPECT_TRUE(settings.Sync());
    }
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("Tallivo.ini"))));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("Config.pcf"))));
    EXPECT_FALSE(AppSettings(folder).ReprintWarning());
}

}  // namespace
}  // namespace tallivo
