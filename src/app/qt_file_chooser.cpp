#include "app/qt_file_chooser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileSystemModel>
#include <QLocale>
#include <QMimeDatabase>
#include <QSortFilterProxyModel>
#include <QStandardPaths>

#include "history/print_history.h"
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

// Opening a file to guess its type, and closing it, drops every POSIX lock this process holds
// on it: the history's own locks among them. Types come from names only.
class NamesOnlyIconProvider : public QFileIconProvider {
public:
    QIcon icon(const QFileInfo& info) const override {
        return QFileIconProvider::icon(info.isDir() ? Folder : File);
    }
    QString type(const QFileInfo& info) const override {
        if (info.isDir()) return QFileIconProvider::type(info);
        return QMimeDatabase()
            .mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension)
            .comment();
    }
};

// The listing never shows the history's files. Qt's catalogue leaves the type column in
// English, and sizes and dates follow the system's locale; the seller reads Chinese.
class ChineseFilesWithoutHistory : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    QVariant data(const QModelIndex& index, int role) const override {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !files || index.column() < 1 || index.column() > 3)
            return QSortFilterProxyModel::data(index, role);
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

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        const QString name =
            sourceModel()->index(row, 0, parent).data(QFileSystemModel::FileNameRole).toString();
        return !IsHistoryFileName(name);
    }
};

}  // namespace

bool IsHistoryFileName(const QString& name) {
    // With its journals and the dated copies a damaged file was moved aside to.
    for (const char* file : {kPrintHistoryFileName, kHistoryQueueFileName})
        if (name.startsWith(QLatin1String(file))) return true;
    return false;
}

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
    // Qt's own dialog: a desktop's would speak the desktop's language, and its listing could
    // not be kept from the history's files.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    auto* icons = new NamesOnlyIconProvider;
    dialog.setIconProvider(icons);
    QObject::connect(&dialog, &QObject::destroyed, [icons] { delete icons; });
    dialog.setProxyModel(new ChineseFilesWithoutHistory(&dialog));
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
    } else {
        // Never the working folder, which is the program's with its history.
        const QString documents =
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        dialog.setDirectory(QFileInfo(documents).isDir() ? documents : QDir::homePath());
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
