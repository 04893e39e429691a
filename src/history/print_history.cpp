#include "history/print_history.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <atomic>
#include <unordered_set>

#include "text/gbk_codec.h"

namespace tallivo {

const char* const kPrintHistoryFileName = "PrintHistory.sqlite";

namespace {

constexpr int kSchemaVersion = 2;
// SQLite's result codes for a file that is no database or whose pages are damaged.
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteNotADatabase = 26;

const char* const kCreateSchema[] = {
    "CREATE TABLE IF NOT EXISTS prints ("
    " id INTEGER PRIMARY KEY,"
    " form INTEGER NOT NULL,"
    " buyer TEXT NOT NULL DEFAULT '',"
    " consignee TEXT NOT NULL DEFAULT '',"
    " address TEXT NOT NULL DEFAULT '',"
    " telephone TEXT NOT NULL DEFAULT '',"
    " mobile TEXT NOT NULL DEFAULT '',"
    " template TEXT NOT NULL DEFAULT '',"
    " sequence INTEGER NOT NULL DEFAULT 0,"
    " printer TEXT NOT NULL DEFAULT '',"
    " copies INTEGER NOT NULL DEFAULT 1,"
    " printed_at TEXT NOT NULL)",
    // One row per trade number of a print, in row order.
    "CREATE TABLE IF NOT EXISTS print_trades ("
    " print_id INTEGER NOT NULL REFERENCES prints(id) ON DELETE CASCADE,"
    " position INTEGER NOT NULL,"
    " form INTEGER NOT NULL,"
    " trade TEXT NOT NULL,"
    " PRIMARY KEY (print_id, position)) WITHOUT ROWID",
    // The reprint lookup: a trade number on one kind of form, earliest print first.
    "CREATE INDEX IF NOT EXISTS print_trades_by_trade ON print_trades (trade, form, print_id)",
    "CREATE INDEX IF NOT EXISTS prints_by_time ON prints (printed_at)",
};

const char* const kFromVersion1[] = {
    "ALTER TABLE prints ADD COLUMN mobile TEXT NOT NULL DEFAULT ''",
    "UPDATE prints SET"
    " mobile = CASE WHEN instr(telephone, ' ') > 0"
    " THEN substr(telephone, 1, instr(telephone, ' ') - 1) ELSE telephone END,"
    " telephone = CASE WHEN instr(telephone, ' ') > 0"
    " THEN substr(telephone, instr(telephone, ' ') + 1) ELSE '' END",
};

QString ToQ(const std::string& gbk) {
    return QString::fromStdString(GbkToUtf8(gbk));
}

std::string FromQ(const QVariant& v) {
    return Utf8ToGbk(v.toString().toStdString());
}

// A LIKE pattern matching `text` literally, with `\` as the escape.
QString LikeLiteral(const std::string& gbk) {
    QString s = ToQ(gbk);
    s.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    s.replace(QLatin1Char('%'), QLatin1String("\\%"));
    s.replace(QLatin1Char('_'), QLatin1String("\\_"));
    return s;
}

QString NewConnectionName() {
    static std::atomic<unsigned> next{0};
    return QStringLiteral("tallivo-history-%1").arg(next.fetch_add(1));
}

// Trade numbers without blanks and repeats, in their first order.
std::vector<std::string> DistinctTrades(const std::vector<std::string>& trades) {
    std::vector<std::string> out;
    std::unordered_set<std::string> seen;
    for (const std::string& t : trades) {
        if (t.empty() || !seen.insert(t).second) continue;
        out.push_back(t);
    }
    return out;
}

bool Exec(QSqlQuery& query, const QString& sql) {
    return query.exec(sql);
}

std::string Joined(const std::string& a, const std::string& b) {
    if (a.empty() || a == b) return b;
    if (b.empty()) return a;
    return a + "\n" + b;
}

}  // namespace

QString PrintHistoryPath(const std::string& programFolder) {
    return QDir(QString::fromStdString(programFolder))
        .filePath(QLatin1String(kPrintHistoryFileName));
}

int PrintHistory::SchemaVersion() {
    return kSchemaVersion;
}

PrintHistory::PrintHistory(QString path)
    : path_(std::move(path)), connection_(NewConnectionName()) {}

PrintHistory::~PrintHistory() {
    CloseDatabase();
}

void PrintHistory::CloseDatabase() {
    if (db_.isValid()) {
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(connection_);
    }
    open_ = false;
}

void PrintHistory::Keep(const std::string& message) {
    pending_ = Joined(pending_, message);
}

std::string PrintHistory::TakeMessage() {
    std::string m;
    m.swap(pending_);
    return m;
}

bool PrintHistory::IsDamageError(const QSqlError& error) const {
    const int code = error.nativeErrorCode().toInt();
    return code == kSqliteCorrupt || code == kSqliteNotADatabase;
}

HistoryResult PrintHistory::WriteFailed() {
    return {false, HistoryWriteFailedMessage()};
}

HistoryResult PrintHistory::Open() {
    HistoryResult r = EnsureOpen();
    r.message = Joined(TakeMessage(), r.message);
    return r;
}

HistoryResult PrintHistory::EnsureOpen() {
    if (open_) return {};
    return OpenDatabase();
}

HistoryResult PrintHistory::OpenDatabase() {
    CloseDatabase();
    // A folder in the file's place is no damaged history: it is left alone.
    if (QFileInfo(path_).isDir()) return WriteFailed();
    db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    if (!db_.isValid()) {
        CloseDatabase();
        return WriteFailed();
    }
    db_.setDatabaseName(path_);
    // Another copy writing at the same moment may hold the file briefly; a print waits no longer.
    db_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=250"));
    if (!db_.open()) {
        CloseDatabase();
        return WriteFailed();
    }

    // Queries end before a damaged file is closed and moved: a connection in use stays open.
    enum { kGood, kDamaged, kFailed } state = kGood;
    int version = -1;
    {
        QSqlQuery q(db_);
        // The header alone says little: reading the schema shows a file that is no database.
        if (Exec(q, QStringLiteral("SELECT count(*) FROM sqlite_master")) &&
            Exec(q, QStringLiteral("PRAGMA user_version")) && q.next())
            version = q.value(0).toInt();
        else
            state = IsDamageError(q.lastError()) ? kDamaged : kFailed;
    }
    fileVersion_ = version;
    if (state == kGood && version > kSchemaVersion) {
        // A later program's file: left as it is.
        CloseDatabase();
        return {false, Utf8ToGbk(u8"打印记录文件“PrintHistory.sqlite”由较新版本的程序创建，"
                                 u8"本程序无法使用，本次打印未记入打印记录！")};
    }
    if (state == kGood) {
        QSqlQuery q(db_);
        // Commits cost no flush of the file; a power cut loses at most the last prints.
        Exec(q, QStringLiteral("PRAGMA journal_mode=WAL"));
        Exec(q, QStringLiteral("PRAGMA synchronous=NORMAL"));
        Exec(q, QStringLiteral("PRAGMA foreign_keys=ON"));
    }
    if (state == kGood && version < kSchemaVersion) {
        bool ok = db_.transaction();
        QSqlError error = db_.lastError();
        {
            QSqlQuery q(db_);
            for (const char* sql : kCreateSchema) ok = ok && Exec(q, QString::fromLatin1(sql));
            // Version 1 kept "mobile fixed" in one column; it is split as its refill split it.
            if (version == 1) {
                for (const char* sql : kFromVersion1) ok = ok && Exec(q, QString::fromLatin1(sql));
            }
            ok = ok && Exec(q, QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion));
            if (!ok && q.lastError().isValid()) error = q.lastError();
        }
        if (ok && !db_.commit()) {
            ok = false;
            error = db_.lastError();
        }
        if (!ok) {
            db_.rollback();
            state = IsDamageError(error) ? kDamaged : kFailed;
        } else {
            fileVersion_ = kSchemaVersion;
        }
    }
    if (state == kDamaged) return Damaged();
    if (state == kFailed) {
        CloseDatabase();
        return WriteFailed();
    }
    open_ = true;
    return {};
}

QString PrintHistory::MoveAside() {
    const QFileInfo info(path_);
    const QString stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
    QString base = info.completeBaseName();  // "PrintHistory"
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    QString target;
    for (int n = 1;; ++n) {
        const QString extra = n == 1 ? QString() : QStringLiteral("-%1").arg(n);
        target = info.dir().filePath(base + QLatin1Char('-') + stamp + extra + suffix +
                                     QStringLiteral(".damaged"));
        if (!QFileInfo::exists(target)) break;
        if (n > 1000) return {};
    }
    if (!QFile::rename(path_, target)) return {};
    // The journal belongs to the damaged file; left here it would be replayed into the new one.
    for (const char* part : {"-wal", "-shm"}) {
        const QString from = path_ + QLatin1String(part);
        if (QFileInfo::exists(from) && !QFile::rename(from, target + QLatin1String(part)))
            QFile::remove(from);
    }
    return target;
}

namespace {

HistoryResult CannotMoveAside() {
    return {false, Utf8ToGbk(u8"打印记录文件“PrintHistory.sqlite”已损坏，且无法改名保存，"
                             u8"本次打印未记入打印记录，请检查读写权限！")};
}

}  // namespace

HistoryResult PrintHistory::Damaged() {
    CloseDatabase();
    const QString moved = MoveAside();
    if (moved.isEmpty()) {
        return CannotMoveAside();
    }
    HistoryResult fresh = OpenDatabase();
    fresh.message = Joined(HistoryDamagedMessage(moved), fresh.message);
    return fresh;
}

QSqlError PrintHistory::Insert(HistoryRecord& record, const std::vector<std::string>& trades) {
    if (!db_.transaction()) return db_.lastError();
    QSqlError error = InsertRows(record, trades, false);
    if (!error.isValid() && !db_.commit()) error = db_.lastError();
    if (error.isValid()) db_.rollback();
    return error;
}

QSqlError PrintHistory::InsertRows(HistoryRecord& record, const std::vector<std::string>& trades,
                                   bool keepId) {
    qlonglong id = 0;
    {
        QSqlQuery q(db_);
        if (!q.prepare(QStringLiteral(
                "INSERT INTO prints (id, form, buyer, consignee, address, telephone, template,"
                " sequence, printer, copies, printed_at, mobile) VALUES "
                "(?,?,?,?,?,?,?,?,?,?,?,?)")))
            return q.lastError();
        // A null id takes the next free one.
        q.addBindValue(keepId ? QVariant(static_cast<qlonglong>(record.id))
                              : QVariant(QMetaType(QMetaType::LongLong)));
        q.addBindValue(static_cast<int>(record.form));
        q.addBindValue(ToQ(record.buyer));
        q.addBindValue(ToQ(record.consignee));
        q.addBindValue(ToQ(record.address));
        q.addBindValue(ToQ(record.telephone));
        q.addBindValue(ToQ(record.templateName));
        q.addBindValue(static_cast<qlonglong>(record.sequenceNumber));
        q.addBindValue(ToQ(record.printer));
        q.addBindValue(record.copies);
        q.addBindValue(HistoryTimeText(record.time));
        q.addBindValue(ToQ(record.mobile));
        if (!q.exec()) return q.lastError();
        id = q.lastInsertId().toLongLong();
    }
    QSqlQuery t(db_);
    if (!t.prepare(QStringLiteral(
            "INSERT INTO print_trades (print_id, position, form, trade) VALUES (?,?,?,?)")))
        return t.lastError();
    for (std::size_t i = 0; i < trades.size(); ++i) {
        t.bindValue(0, id);
        t.bindValue(1, static_cast<int>(i));
        t.bindValue(2, static_cast<int>(record.form));
        t.bindValue(3, ToQ(trades[i]));
        if (!t.exec()) return t.lastError();
    }
    record.id = id;
    return {};
}

HistoryResult PrintHistory::Record(HistoryRecord& record) {
    const HistoryResult opened = EnsureOpen();
    std::string message = Joined(TakeMessage(), opened.message);
    if (!open_) return {false, message.empty() ? HistoryWriteFailedMessage() : message};
    if (!record.time.isValid()) record.time = QDateTime::currentDateTime();
    const std::vector<std::string> trades = DistinctTrades(record.tradeNumbers);

    QSqlError error = Insert(record, trades);
    if (error.isValid() && IsDamageError(error)) {
        // Damage found only now: the print goes into the mended or a new file.
        const HistoryResult mended = Repair();
        message = Joined(message, mended.message);
        if (!open_) return {false, message.empty() ? HistoryWriteFailedMessage() : message};
        error = Insert(record, trades);
    }
    if (!error.isValid()) return {true, message};
    return {false, Joined(message, HistoryWriteFailedMessage())};
}

HistoryResult PrintHistory::Repair() {
    {
        QSqlQuery q(db_);
        if (q.exec(QStringLiteral("REINDEX")) && q.exec(QStringLiteral("PRAGMA quick_check")) &&
            q.next() && q.value(0).toString() == QLatin1String("ok"))
            return {};
    }
    // REINDEX cannot free an index page it cannot read: the records are carried into a new
    // file instead, which also keeps what survives damage to the records themselves.
    std::vector<HistoryRecord> readable;
    const bool whole = ReadReadable(readable);
    CloseDatabase();
    const QString moved = MoveAside();
    if (moved.isEmpty()) {
        return CannotMoveAside();
    }
    HistoryResult fresh = OpenDatabase();
    bool carried = false;
    if (fresh.ok && db_.transaction()) {
        carried = true;
        for (HistoryRecord& r : readable) {
            if (InsertRows(r, DistinctTrades(r.tradeNumbers), true).isValid()) {
                carried = false;
                break;
            }
        }
        carried = carried && db_.commit();
        if (!carried) db_.rollback();
    }
    if (whole && carried) {
        // Nothing was lost: the damaged copy holds nothing the new file lacks.
        for (const char* part : {"", "-wal", "-shm"}) QFile::remove(moved + QLatin1String(part));
        return fresh;
    }
    fresh.message = Joined(HistoryDamagedMessage(moved), fresh.message);
    return fresh;
}

namespace {

const char kRecordColumns[] =
    "SELECT id, form, buyer, consignee, address, telephone, template, sequence, printer,"
    " copies, printed_at, mobile FROM prints";
// A version-1 file, read to be carried over when it was damaged before it could be brought up
// to date.
const char kVersion1RecordColumns[] =
    "SELECT id, form, buyer, consignee, address, telephone, template, sequence, printer,"
    " copies, printed_at, NULL FROM prints";

HistoryRecord RecordOfRow(const QSqlQuery& q) {
    HistoryRecord r;
    r.id = q.value(0).toLongLong();
    r.form = q.value(1).toInt() == static_cast<int>(HistoryForm::kInvoice)
                 ? HistoryForm::kInvoice
                 : HistoryForm::kFreightBill;
    r.buyer = FromQ(q.value(2));
    r.consignee = FromQ(q.value(3));
    r.address = FromQ(q.value(4));
    r.telephone = FromQ(q.value(5));
    r.templateName = FromQ(q.value(6));
    r.sequenceNumber = q.value(7).toLongLong();
    r.printer = FromQ(q.value(8));
    r.copies = q.value(9).toInt();
    r.time = QDateTime::fromString(q.value(10).toString(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (q.value(11).isNull()) {
        const std::string joined = r.telephone;
        SplitJoinedTelephone(joined, &r.mobile, &r.telephone);
    } else {
        r.mobile = FromQ(q.value(11));
    }
    return r;
}

// Reads the rows of a query into `out` until the end or an error; false on an error.
bool ReadRows(QSqlQuery& q, std::vector<HistoryRecord>& out) {
    if (!q.exec()) return false;
    while (q.next()) out.push_back(RecordOfRow(q));
    return !q.lastError().isValid();
}

// Trade numbers of a record; false when they cannot be read.
bool ReadTrades(QSqlQuery& t, HistoryRecord& r) {
    t.bindValue(0, static_cast<qlonglong>(r.id));
    if (!t.exec()) return false;
    while (t.next()) r.tradeNumbers.push_back(FromQ(t.value(0)));
    return !t.lastError().isValid();
}

const char kTradesOfRecord[] =
    "SELECT trade FROM print_trades WHERE print_id = ? ORDER BY position";
// Probes between the last rows read from either end, at most this many.
constexpr qlonglong kMostProbes = 1000000;

}  // namespace

bool PrintHistory::ReadReadable(std::vector<HistoryRecord>& records) {
    // The table is walked by its own keys from either end, never through an index; what lies
    // between the damaged parts is looked up one id at a time.
    const QString all =
        QString::fromLatin1(fileVersion_ == 1 ? kVersion1RecordColumns : kRecordColumns) +
        QStringLiteral(" NOT INDEXED");
    bool whole = true;
    {
        QSqlQuery q(db_);
        q.setForwardOnly(true);
        whole = q.prepare(all + QStringLiteral(" ORDER BY id")) && ReadRows(q, records);
    }
    if (!whole) {
        const qlonglong low = records.empty() ? 0 : records.back().id;
        std::vector<HistoryRecord> top;
        {
            QSqlQuery q(db_);
            q.setForwardOnly(true);
            if (q.prepare(all + QStringLiteral(" WHERE id > ? ORDER BY id DESC"))) {
                q.bindValue(0, low);
                ReadRows(q, top);
            }
        }
        if (!top.empty()) {
            const qlonglong high = top.back().id;
            QSqlQuery q(db_);
            q.setForwardOnly(true);
            if (q.prepare(all + QStringLiteral(" WHERE id = ?"))) {
                for (qlonglong id = low + 1; id < high && id - low <= kMostProbes; ++id) {
                    q.bindValue(0, id);
                    ReadRows(q, records);
                }
            }
        }
        records.insert(records.end(), top.rbegin(), top.rend());
    }
    QSqlQuery t(db_);
    t.setForwardOnly(true);
    const bool tradesReady = t.prepare(QString::fromLatin1(kTradesOfRecord));
    for (HistoryRecord& r : records) {
        if (!tradesReady || !ReadTrades(t, r)) {
            r.tradeNumbers.clear();
            whole = false;
        }
    }
    return whole;
}

QSqlError PrintHistory::TryFindEarlier(HistoryForm form, const std::vector<std::string>& trades,
                                       std::optional<PrintedBefore>& found) {
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (!q.prepare(
            QStringLiteral("SELECT p.printed_at, p.printer,"
                           " (SELECT count(*) FROM print_trades c WHERE c.trade = ? AND c.form = ?)"
                           " FROM print_trades t JOIN prints p ON p.id = t.print_id"
                           " WHERE t.trade = ? AND t.form = ? ORDER BY t.print_id LIMIT 1")))
        return q.lastError();
    for (const std::string& trade : trades) {
        const QString value = ToQ(trade);
        q.bindValue(0, value);
        q.bindValue(1, static_cast<int>(form));
        q.bindValue(2, value);
        q.bindValue(3, static_cast<int>(form));
        if (!q.exec()) return q.lastError();
        if (q.next()) {
            PrintedBefore earlier;
            earlier.tradeNumber = trade;
            earlier.time =
                QDateTime::fromString(q.value(0).toString(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            earlier.printer = FromQ(q.value(1));
            earlier.times = q.value(2).toInt();
            found = earlier;
            return {};
        }
        if (q.lastError().isValid()) return q.lastError();
    }
    return {};
}

std::optional<PrintedBefore> PrintHistory::FindEarlierPrint(
    HistoryForm form, const std::vector<std::string>& tradeNumbers) {
    const std::vector<std::string> trades = DistinctTrades(tradeNumbers);
    if (trades.empty()) return std::nullopt;
    Keep(EnsureOpen().message);
    for (int attempt = 0; open_ && attempt < 2; ++attempt) {
        std::optional<PrintedBefore> found;
        const QSqlError error = TryFindEarlier(form, trades, found);
        if (!error.isValid()) return found;
        if (attempt == 1 || !IsDamageError(error)) {
            Keep(HistoryReadFailedMessage());
            break;
        }
        Keep(Repair().message);
    }
    return std::nullopt;
}

QSqlError PrintHistory::TrySelect(const QString& sql, const QVariantList& values,
                                  std::vector<HistoryRecord>& out) {
    out.clear();
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (!q.prepare(sql)) return q.lastError();
    for (int i = 0; i < values.size(); ++i) q.bindValue(i, values[i]);
    if (!ReadRows(q, out)) return q.lastError();
    QSqlQuery t(db_);
    t.setForwardOnly(true);
    if (!t.prepare(QString::fromLatin1(kTradesOfRecord))) return t.lastError();
    for (HistoryRecord& r : out) {
        if (!ReadTrades(t, r)) return t.lastError();
    }
    return {};
}

std::vector<HistoryRecord> PrintHistory::Select(const QString& where, const QVariantList& values,
                                                int limit) {
    std::vector<HistoryRecord> out;
    Keep(EnsureOpen().message);
    QString sql = QString::fromLatin1(kRecordColumns);
    if (!where.isEmpty()) sql += QStringLiteral(" WHERE ") + where;
    sql += QStringLiteral(" ORDER BY printed_at DESC, id DESC");
    if (limit > 0) sql += QStringLiteral(" LIMIT %1").arg(limit);
    for (int attempt = 0; open_ && attempt < 2; ++attempt) {
        const QSqlError error = TrySelect(sql, values, out);
        if (!error.isValid()) break;
        if (attempt == 1 || !IsDamageError(error)) {
            // What was read before the failure is still shown.
            Keep(HistoryReadFailedMessage());
            break;
        }
        Keep(Repair().message);
    }
    return out;
}

std::vector<HistoryRecord> PrintHistory::List(const HistoryFilter& filter) {
    QStringList where;
    QVariantList values;
    if (!filter.tradeNumber.empty()) {
        where << QStringLiteral("id IN (SELECT print_id FROM print_trades WHERE trade = ?)");
        values << ToQ(filter.tradeNumber);
    }
    if (!filter.text.empty()) {
        const QString inside = QLatin1Char('%') + LikeLiteral(filter.text) + QLatin1Char('%');
        where << QStringLiteral(
            "(id IN (SELECT print_id FROM print_trades WHERE trade LIKE ? ESCAPE '\\')"
            " OR buyer LIKE ? ESCAPE '\\' OR consignee LIKE ? ESCAPE '\\'"
            " OR printed_at LIKE ? ESCAPE '\\')");
        values << inside << inside << inside << LikeLiteral(filter.text) + QLatin1Char('%');
    }
    if (filter.since) {
        where << QStringLiteral("printed_at >= ?");
        values << filter.since->toString(QStringLiteral("yyyy-MM-dd"));
    }
    return Select(where.join(QStringLiteral(" AND ")), values, filter.limit);
}

std::optional<HistoryRecord> PrintHistory::Find(std::int64_t id) {
    std::vector<HistoryRecord> found =
        Select(QStringLiteral("id = ?"), {static_cast<qlonglong>(id)}, 1);
    if (found.empty()) return std::nullopt;
    return std::move(found.front());
}

const std::string& ReprintCaption() {
    static const std::string caption = Gbk(u8"提示：已打印过！");
    return caption;
}

std::string ReprintQuestion(HistoryForm form, const PrintedBefore& earlier) {
    std::string text = Gbk(u8"交易号") + earlier.tradeNumber + Gbk(u8"的") +
                       HistoryFormCaption(form) + Gbk(u8"已于") +
                       Utf8ToGbk(HistoryTimeText(earlier.time).toStdString());
    if (!earlier.printer.empty()) text += Gbk(u8"在打印机“") + earlier.printer + Gbk(u8"”上");
    text += Gbk(u8"打印过");
    if (earlier.times > 1) text += Gbk(u8"（共") + std::to_string(earlier.times) + Gbk(u8"次）");
    text += Gbk(u8"，确定要再次打印吗？");
    return text;
}

std::string HistoryWriteFailedMessage() {
    return Gbk(
        u8"无法写入打印记录文件“PrintHistory.sqlite”，本次打印未记入打印记录，"
        u8"请检查磁盘空间和读写权限！");
}

std::string HistoryReadFailedMessage() {
    return Gbk(
        u8"无法读取打印记录文件“PrintHistory.sqlite”，列出的打印记录可能不全，"
        u8"重复打印提醒也可能不准确！");
}

std::string HistoryDamagedMessage(const QString& movedTo) {
    return Gbk(u8"打印记录文件“PrintHistory.sqlite”已损坏，已改名为“") +
           Utf8ToGbk(QFileInfo(movedTo).fileName().toStdString()) +
           Gbk(u8"”保存，并新建了打印记录文件！");
}

}  // namespace tallivo
