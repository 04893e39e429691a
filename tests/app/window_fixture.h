// What the window tests share: a font dialog that is always cancelled, the example pages as
// pasted text, and a program folder filled with the starter content.
#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <optional>

#include "app/font_chooser.h"
#include "text/gbk_codec.h"

namespace tallivo::testing {

class NoFonts : public FontChooser {
public:
    std::optional<FontChoice> Choose(const FontChoice&) override { return std::nullopt; }
};

// An example page as the user pastes it; the files are GBK, as the back office's pages are.
inline QString Example(const char* name) {
    QFile file(QStringLiteral(TALLIVO_EXAMPLES_DIR "/") + QString::fromLatin1(name));
    file.open(QIODevice::ReadOnly);
    return QString::fromStdString(GbkToUtf8(file.readAll().toStdString()));
}

inline void CopyFolder(const QString& from, const QString& to) {
    QDir().mkpath(to);
    for (const QFileInfo& info :
         QDir(from).entryInfoList(QDir::NoDotAndDotDot | QDir::AllEntries)) {
        const QString target = to + "/" + info.fileName();
        if (info.isDir()) {
            CopyFolder(info.filePath(), target);
        } else {
            QFile::copy(info.filePath(), target);
        }
    }
}

}  // namespace tallivo::testing
