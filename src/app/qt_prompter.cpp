#include "app/qt_prompter.h"

#include <QMessageBox>

#include "app/app_title.h"
#include "orders/gbk_string.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {}  // namespace

void QtPrompter::ShowMessage(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kApplicationTitle), GbkToQString(text),
                    QMessageBox::Ok, owner_);
    box.exec();
}

bool QtPrompter::AskYesNo(const std::string& caption, const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, GbkToQString(caption), GbkToQString(text),
                    QMessageBox::Yes | QMessageBox::No, owner_);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

bool QtPrompter::AskYesNoDefaultYes(const std::string& caption, const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, GbkToQString(caption), GbkToQString(text),
                    QMessageBox::Yes | QMessageBox::No, owner_);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void QtPrompter::ShowInformation(const std::string& caption, const std::string& text) {
    QMessageBox box(QMessageBox::Information, GbkToQString(caption), GbkToQString(text),
                    QMessageBox::Ok, owner_);
    box.exec();
}

}  // namespace tallivo
