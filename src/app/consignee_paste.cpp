#include "app/consignee_paste.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QStringList>
#include <QStyle>

#include "orders/consignee_split.h"
#include "orders/gbk_string.h"
#include "storage/file_io.h"

namespace tallivo {

int AddConsignees(OrderListModel& model, Prompter& prompter, const QString& text,
                  const std::string& source) {
    ConsigneePaste paste = ConsigneesFromText(text, source);
    QStringList notes;
    if (paste.tooLong)
        notes << QStringLiteral("文字太长，没有识别。");
    else if (paste.orders.empty())
        notes << QStringLiteral("没有找到收货信息。");
    // Where nothing was found, every line was left out: that needs no list.
    const QString leftOut = paste.orders.empty() ? QString() : LeftOutMessage(paste);
    if (!leftOut.isEmpty()) notes << leftOut;
    const int added = static_cast<int>(paste.orders.size());
    if (added > 0) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        model.AddOrders(std::move(paste.orders));
        QApplication::restoreOverrideCursor();
    }
    if (!notes.isEmpty()) prompter.ShowMessage(QStringToGbk(notes.join(u'\n')));
    return added;
}

int AddConsigneeFiles(OrderListModel& model, Prompter& prompter,
                      const std::vector<std::string>& files) {
    int added = 0;
    for (const std::string& file : files) {
        constexpr std::size_t kLimit = static_cast<std::size_t>(kMaxConsigneePasteLength) * 4;
        const std::optional<std::string> bytes = ReadWholeFile(file, kLimit + 1);
        const QString name = QString::fromStdString(file);
        if (!bytes) {
            prompter.ShowMessage(QStringToGbk(QStringLiteral("无法读取 %1").arg(name)));
            continue;
        }
        // A larger file is refused as a paste too long would be, without decoding it.
        const QString text = bytes->size() > kLimit ? QString(kMaxConsigneePasteLength + 1, u' ')
                                                    : ConsigneeFileText(*bytes);
        added += AddConsignees(model, prompter, text, file);
    }
    return added;
}

bool IsConsigneeTextFile(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).suffix().compare(u"txt", Qt::CaseInsensitive) ==
           0;
}

QVariant ConsigneeDoubtMark(const Order& order, int role) {
    if (!order.recognised || order.recognised->doubts.isEmpty()) return {};
    if (role == Qt::DecorationRole)
        return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
    if (role == Qt::ToolTipRole)
        return QStringLiteral("请核对：\n") + order.recognised->doubts.join(u'\n');
    return {};
}

}  // namespace tallivo
