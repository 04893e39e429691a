// Replace all through the real window: the memo's page handed to the workspace, the hidden
// replace window, the editors filled. Offscreen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <memory>

#include "app/input_memo.h"
#include "app/main_window_controller.h"
#include "app/tform_print.h"
#include "silent_window.h"
#include "support/example_files.h"
#include "text/gbk_codec.h"
#include "ui_tform_print.h"

namespace tallivo {
namespace {

QString SoldList(int entries) {
    QString page = QString::fromUtf8(u8"我是卖家 > 宝贝管理 > 交易记录\n");
    for (int i = 0; i < entries; ++i) {
        page += QString::fromUtf8(
                    u8"成交时间：2008年03月07日 09:12:44 卖出 xiaoxiong88　联系买家\n"
                    u8"    韩版修身毛呢外套 黑色 L码 款") +
                QString::number(i) + QString::fromUtf8(u8" 128.00 买家已付款 发货\n");
    }
    return page;
}

QString OrderDetail() {
    QFile file(QStringLiteral(TALLIVO_EXAMPLES_DIR "/taobao-order-detail.txt"));
    file.open(QIODevice::ReadOnly);
    return QString::fromStdString(GbkToUtf8(file.readAll().toStdString()));
}

void ReplaceAllInWindow(benchmark::State& state, const QString& page, Tab tab) {
    QTemporaryDir dir;
    testing::CopyFolder(QStringLiteral(TALLIVO_STARTER_DIR), dir.path());
    TFormPrint window;
    QuietWindowPrompter prompter;
    NoFonts fonts;
    MainWindowController controller(window, dir.path().toStdString(), &prompter, nullptr, &fonts);
    window.show();
    QApplication::processEvents();
    Ui::TFormPrint& ui = *window.ui();
    ui.ComboBoxInputText->setCurrentIndex(kSiteTaobao);
    ui.PageControlPrint->setCurrentIndex(tab);
    for (auto _ : state) {
        state.PauseTiming();
        ui.PageControlPrint->setCurrentIndex(kTabInput);
        ui.MemoInputText->SetPageText(page);  // the paste, not timed
        ui.PageControlPrint->setCurrentIndex(tab);
        QApplication::processEvents();
        state.ResumeTiming();
        ui.SpeedButtonUpdateText->click();
        QApplication::processEvents();
    }
    controller.Workspace().SetInvoiceUnsaved(false);
    controller.Workspace().SetFreightBillUnsaved(false);
}

void BM_WindowReplaceAllOrderDetail(benchmark::State& state) {
    ReplaceAllInWindow(state, OrderDetail(), kTabFreightBill);
}
void BM_WindowReplaceAllSoldList(benchmark::State& state) {
    ReplaceAllInWindow(state, SoldList(static_cast<int>(state.range(0))), kTabInvoice);
}
// A 50 MB page without line ends: what the window does before capture can start.
void BM_WindowReplaceAllFiftyMegabytesOneLine(benchmark::State& state) {
    ReplaceAllInWindow(state, QString(50 * 1024 * 1024, QLatin1Char('x')), kTabFreightBill);
}

BENCHMARK(BM_WindowReplaceAllOrderDetail)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowReplaceAllSoldList)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_WindowReplaceAllFiftyMegabytesOneLine)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
}  // namespace tallivo

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
