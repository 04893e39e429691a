#include "app/help_commands.h"

#include <QAction>
#include <QFileInfo>
#include <QUrl>
#include <new>

#include "app/app_title.h"
#include "app/tform_about.h"
#include "app/tform_print.h"
#include "app/url_opener.h"
#include "app/window_prompter.h"
#include "text/gbk_codec.h"
#include "ui_tform_print.h"

namespace tallivo {
namespace {

QString InFolder(const QString& folder, const QString& name) {
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/'))) return folder + name;
    return folder + QLatin1Char('/') + name;
}

bool IsFile(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}

}  // namespace

HelpCommands::HelpCommands(QString programFolder, UrlOpener* opener, WindowPrompter* prompter)
    : programFolder_(std::move(programFolder)), opener_(opener), prompter_(prompter) {}

QString HelpCommands::HelpFilePath() const {
    return InFolder(programFolder_, QStringLiteral("Tallivo HTML Help.chm"));
}

QString HelpCommands::OwnHelpPath() const {
    return InFolder(programFolder_, QStringLiteral("help/index.html"));
}

void HelpCommands::MenuItemHelpClick() {
    // The opener's answer is not reported: a file without a program for it stays quiet.
    if (IsFile(HelpFilePath())) {
        opener_->Open(QUrl::fromLocalFile(HelpFilePath()));
    } else if (IsFile(OwnHelpPath())) {
        opener_->Open(QUrl::fromLocalFile(OwnHelpPath()));
    } else {
        prompter_->ShowInformation(Gbk(u8"提示"), Gbk(u8"没有帮助文件!"));
    }
}

void HelpCommands::MenuItemAboutClick(QWidget* owner) {
    try {
        TFormAbout about(owner);
        about.exec();
    } catch (const std::bad_alloc&) {
        prompter_->ShowMessage(Gbk(u8"无法分配内存空间！"));
    }
}

void HelpCommands::MenuItemVisitClick() {
    opener_->Open(QUrl(QString::fromUtf8(kWebAddress)));
}

void HelpCommands::Connect(TFormPrint& window) {
    Ui::TFormPrint* ui = window.ui();
    QObject::connect(ui->MenuItemHelp, &QAction::triggered, &window,
                     [this] { MenuItemHelpClick(); });
    QObject::connect(ui->MenuItemAbout, &QAction::triggered, &window,
                     [this, &window] { MenuItemAboutClick(&window); });
    QObject::connect(ui->MenuItemVisit, &QAction::triggered, &window,
                     [this] { MenuItemVisitClick(); });
}

}  // namespace tallivo
