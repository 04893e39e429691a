#include "support/example_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "text/gbk_codec.h"

namespace tallivo::testing {

std::string ExamplePath(const char* name) {
    return std::string(TALLIVO_EXAMPLES_DIR) + "/" + name;
}

QString ExampleFile(const char* name) {
    return QString::fromStdString(ExamplePath(name));
}

std::string ExampleBytes(const char* name) {
    QFile file(ExampleFile(name));
    file.open(QIODevice::ReadOnly);
    return file.readAll().toStdString();
}

QString Example(const char* name) {
    return QString::fromStdString(GbkToUtf8(ExampleBytes(name)));
}

bool CopyFolder(const QString& from, const QString& to) {
    QDir().mkpath(to);
    bool copied = true;
    for (const QFileInfo& info :
         QDir(from).entryInfoList(QDir::NoDotAndDotDot | QDir::AllEntries)) {
        const QString target = to + "/" + info.fileName();
        if (!(info.isDir() ? CopyFolder(info.filePath(), target)
                           : QFile::copy(info.filePath(), target)))
            copied = false;
    }
    return copied;
}

bool CopyStarter(const QString& to) {
    return CopyFolder(QStringLiteral(TALLIVO_STARTER_DIR), to);
}

}  // namespace tallivo::testing
