#include "app/qt_file_chooser.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QLocale>

#include "orders/gbk_string.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

// "任意格式 (*.*)" shows its patterns already; they are written again from the pattern part.
QString WithoutPatternSuffix(QString description) {
    description = description.trimmed();
    if (description.endsWith(QLatin1Char(')'))) {
        const qsizetype open = description.lastIndexOf(QLatin1Char('('));
        if (open >= 0) description = description.left(open).trimmed();
    }
    return description;
}

QString QtPatterns(const QString& windowsPatterns) {
    QStringList patterns;
    for (const QString& part : windowsPatterns.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString pattern = part.trimmed();
        if (pattern.isEmpty()) continue;
        patterns << (pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
    }
    if (patterns.isEmpty()) patterns << QStringLiteral("*");
    patterns.removeDuplicates();
    return patterns.join(QLatin1Char(' '));
}

// Qt's catalogue leaves the file list's type column in English, and sizes and dates follow the
// system's locale; the seller reads Chinese.
class ChineseFileColumns : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !files || index.column() < 1 || index.column() > 3)
            return QIdentityProxyModel::data(index, role);
        const QFileInfo info = files->fileInfo(mapToSource(index));
        const QLocale chinese(QLocale::Chinese, QLocale::China);
        switch (index.column()) {
            case 1:
                return info.isDir() ? QString() : chinese.formattedDataSize(info.size());
            case 2:
                if (info.isDir()) return QString::fromUtf8(u8"文件夹");
                return info.suffix().isEmpty()
                           ? QString::fromUtf8(u8"文件")
                           : info.suffix().toUpper() + QString::fromUtf8(u8" 文件");
            default:
                return chinese.toString(info.lastModified(), QStringLiteral("yyyy/M/d H:mm"));
        }
    }
};

}  // namespace

QStringList QtNameFilters(const std::string& gbkFilter) {
    QStringList filters;
    if (gbkFilter.empty()) return filters;
    const QStringList parts = GbkToQString(gbkFilter).split(QLatin1Char('|'));
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString patterns = QtPatterns(i + 1 < parts.size() ? parts[i + 1] : QString());
        QString description = WithoutPatternSuffix(parts[i]);
        if (description.isEmpty()) description = patterns;
        filters << description + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return filters;
}

void ConfigureFileDialog(QFileDialog& dialog, const FileChooser::Request& request) {
    // A desktop's own dialog would speak the desktop's language.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setProxyModel(new ChineseFileColumns(&dialog));
    if (!request.title.empty()) dialog.setWindowTitle(GbkToQString(request.title));
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QStringList filters = QtNameFilters(request.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const int index = request.filterIndex;
        dialog.selectNameFilter(index >= 1 && index <= filters.size() ? filters[index - 1]
                                                                      : filters.first());
    }
    if (!request.initialFolder.empty()) {
        dialog.setDirectory(QString::fromStdString(request.initialFolder));
    }
    if (!request.fileName.empty()) dialog.selectFile(QString::fromStdString(request.fileName));
}

std::optional<std::string> QtFileChooser::Choose(const Request& request) {
    QFileDialog dialog(owner_);
    ConfigureFileDialog(dialog, request);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return std::nullopt;
    return chosen.first().toStdString();
}

std::vector<std::string> QtFileChooser::ChooseMany(const Request& request) {
    QFileDialog dialog(owner_);
    ConfigureFileDialog(dialog, request);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    std::vector<std::string> files;
    if (dialog.exec() != QDialog::Accepted) return files;
    for (const QString& file : dialog.selectedFiles()) files.push_back(file.toStdString());
    return files;
}

}  // namespace tallivo
