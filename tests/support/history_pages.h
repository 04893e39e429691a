// Damaging chosen pages of a history file, to see what the program makes of it.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <vector>

namespace tallivo::testing {

// The leaf pages of a table or index, in the order of its keys (SQLite's page statistics).
inline std::vector<int> LeafPages(const QString& path, const QString& name) {
    std::vector<int> pages;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("pages"));
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            q.prepare(QStringLiteral(
                "SELECT pageno FROM dbstat WHERE name = ? AND pagetype = 'leaf' ORDER BY path"));
            q.addBindValue(name);
            if (q.exec())
                while (q.next()) pages.push_back(q.value(0).toInt());
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("pages"));
    return pages;
}

// Overwrites the middle leaf page of a table or index with garbage; false when it has none.
inline bool DamageMiddlePage(const QString& path, const QString& name) {
    const std::vector<int> pages = LeafPages(path, name);
    if (pages.size() < 3) return false;
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite)) return false;
    f.seek((pages[pages.size() / 2] - 1) * 4096LL);
    return f.write(QByteArray(4096, '\xA5')) == 4096;
}

}  // namespace tallivo::testing
