#include "history/print_history.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <atomic>
#include <unordered_set>

#include "history/history_bounds.h"
#include "history/history_schema.h"
#include "orders/gbk_string.h"
#include "text/gbk_codec.h"

namespace tallivo {

const char* const kPrintHistoryFileName = "PrintHistory.sqlite";
const char* const kHistoryQueueFileName = "HistoryQueue.sqlite";
const char* const kHistoryRefusedFileName = "HistoryRefused.sqlite";

namespace {

constexpr int kSchemaVersion = 3;
// SQLite's result codes for a file that is no database or whose pages are damaged.
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteNotADatabase = 26;

// Any fixed number: two PCs starting together bring the schema up to date one after the other.
constexpr qlonglong kSchemaLockKey = 0x54616c6c69766fLL;
// SQLSTATE of a right the role lacks.
const char kInsufficientPrivilege[] = "42501";
const char kLockNotAvailable[] = "55P03";

std::string FromQ(const QVariant& v) {
    return QStringToGbk(v.toString());
}

// A LIKE pattern matching `text` literally, with `\` as the escape.
QString LikeLiteral(const std::string& gbk) {
    QString s = GbkToQString(gbk);
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

QString HistoryQueuePath(const std::string& programFolder) {
    return QDir(QString::fromStdString(programFolder))
        .filePath(QLatin1String(kHistoryQueueFileName));
}

std::unique_ptr<PrintHistory> MakeHistory(const HistoryLocation& location,
                                          const std::string& programFolder) {
    if (location.Server())
        return std::make_unique<PrintHistory>(location, HistoryQueuePath(programFolder));
    return std::make_unique<PrintHistory>(
        location.sqlitePath.isEmpty() ? PrintHistoryPath(programFolder) : location.sqlitePath);
}

int PrintHistory::SchemaVersion() {
    return kSchemaVersion;
}

PrintHistory::PrintHistory(QString path)
    : path_(std::move(path)), connection_(NewConnectionName()) {
    location_.sqlitePath = path_;
}

PrintHistory::PrintHistory(const HistoryLocation& location, QString queuePath)
    : location_(location),
      path_(location.Server() ? location.Shown() : location.sqlitePath),
      queuePath_(std::move(queuePath)),
      connection_(NewConnectionName()) {}

PrintHistory::~PrintHistory() {
    CloseDatabase();
}

void PrintHistory::CloseDatabase() {
    holding_ = false;
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
    if (Server()) return false;
    const int code = error.nativeErrorCode().toInt();
    return code == kSqliteCorrupt || code == kSqliteNotADatabase;
}

HistoryResult PrintHistory::WriteFailed() {
    return {false, HistoryWriteFailedMessage(path_)};
}

HistoryResult PrintHistory::Open() {
    HistoryResult r = EnsureOpen();
    r.message = Joined(TakeMessage(), r.message);
    return r;
}

HistoryResult PrintHistory::EnsureOpen() {
    if (open_) return {};
    // One silent server costs one wait, not one per page and per record.
    if (ServerAway()) return {false, awayMessage_};
    return OpenDatabase();
}

bool PrintHistory::ServerAway() const {
    return Server() && !awayMessage_.empty() && std::chrono::steady_clock::now() < awayUntil_;
}

void PrintHistory::RetryServer() {
    awayMessage_.clear();
}

void PrintHistory::MarkAway(const std::string& message) {
    awayMessage_ = message.empty() ? HistoryServerMessage(path_, {}) : message;
    awayUntil_ = std::chrono::steady_clock::now() + std::chrono::seconds(kServerAwaySeconds);
}

DeadlineScope PrintHistory::Bounded(std::chrono::milliseconds limit) {
    // A little past the server's own timeout, so that its clean refusal comes first.
    return DeadlineScope(deadline_, db_, limit + std::chrono::seconds(1));
}

HistoryResult PrintHistory::OpenDatabase() {
    if (Server()) {
        HistoryResult opened = OpenServer();
        if (!opened.ok) MarkAway(opened.message);
        return opened;
    }
    CloseDatabase();
    // A folder in the file's place is no damaged history: it is left alone.
    if (QFileInfo(path_).isDir()) return WriteFailed();
    db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    if (!db_.isValid()) {
        CloseDatabase();
        return WriteFailed();
    }
    db_.setDatabaseName(path_);
    // A read-only connection never checkpoints on close, so the writer's journal stays its own
    // even when the writer's locks were lost to a stray descriptor.
    readOnly_ = reader_ && InUseElsewhere();
    // Another copy writing at the same moment may hold the file briefly; a print waits no longer.
    db_.setConnectOptions(readOnly_
                              ? QStringLiteral("QSQLITE_BUSY_TIMEOUT=250;QSQLITE_OPEN_READONLY")
                              : QStringLiteral("QSQLITE_BUSY_TIMEOUT=250"));
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
        return {false, HistoryTooNewMessage(path_)};
    }
    if (state == kGood && readOnly_) {
        open_ = true;
        return {};
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
            for (const QString& sql : SchemaStatements(SqlDialect::kSqlite, version))
                ok = ok && Exec(q, sql);
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

HistoryResult PrintHistory::Damaged() {
    if (readOnly_) {
        CloseDatabase();
        return {false, HistoryReadFailedMessage(path_)};
    }
    // Whatever can still be read goes into the new file: a queue's pending prints above all.
    std::vector<HistoryRecord> readable;
    if (fileVersion_ > 0 && db_.isOpen()) ReadReadable(readable);
    return StartAfresh(readable, false);
}

bool PrintHistory::InUseElsewhere() const {
    // A writer in WAL mode keeps the shared-memory file while it has the history open.
    return QFileInfo::exists(path_ + QStringLiteral("-shm"));
}

QSqlError PrintHistory::Insert(HistoryRecord& record, const std::vector<std::string>& trades) {
    const DeadlineScope bound = Bounded();
    if (!db_.transaction()) return db_.lastError();
    QSqlError error = InsertRows(record, trades, false);
    if (!error.isValid() && !db_.commit()) error = db_.lastError();
    if (error.isValid()) db_.rollback();
    return error;
}

QSqlError PrintHistory::InsertRows(HistoryRecord& record, const std::vector<std::string>& trades,
                                   bool keepId) {
    qlonglong id = 0;
    if (record.uid.empty()) record.uid = NewRecordUid();
    insertedNew_ = true;
    {
        QSqlQuery q(db_);
        // A server keeps the first of a record sent twice; a file is written by this PC alone.
        if (!q.prepare(
                Server()
                    ? QStringLiteral("INSERT INTO prints (form, buyer, consignee, address,"
                                     " telephone, template, sequence, printer, copies, printed_at,"
                                     " mobile, host, uid) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?)"
                                     " ON CONFLICT (uid) DO NOTHING RETURNING id")
                    : QStringLiteral(
                          "INSERT INTO prints (id, form, buyer, consignee, address, telephone,"
                          " template, sequence, printer, copies, printed_at, mobile, host, uid)"
                          " VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)")))
            return q.lastError();
        // A null id takes the next free one.
        if (!Server())
            q.addBindValue(keepId ? QVariant(static_cast<qlonglong>(record.id))
                                  : QVariant(QMetaType(QMetaType::LongLong)));
        q.addBindValue(HistoryFormNumber(record.form));
        q.addBindValue(StoredText(record.buyer));
        q.addBindValue(StoredText(record.consignee));
        q.addBindValue(StoredText(record.address, kMostAddressChars));
        q.addBindValue(StoredText(record.telephone));
        q.addBindValue(StoredText(record.templateName));
        q.addBindValue(static_cast<qlonglong>(record.sequenceNumber));
        q.addBindValue(StoredText(record.printer));
        q.addBindValue(record.copies);
        q.addBindValue(HistoryTimeText(record.time));
        q.addBindValue(StoredText(record.mobile));
        q.addBindValue(StoredText(record.host));
        q.addBindValue(StoredText(record.uid));
        if (!q.exec()) return q.lastError();
        if (!Server()) {
            id = q.lastInsertId().toLongLong();
        } else if (q.next()) {
            id = q.value(0).toLongLong();
        } else if (q.lastError().isValid()) {
            return q.lastError();
        } else {
            // Sent before: the server has it already.
            insertedNew_ = false;
            return {};
        }
    }
    QSqlQuery t(db_);
    if (!t.prepare(QStringLiteral(
            "INSERT INTO print_trades (print_id, position, form, trade) VALUES (?,?,?,?)")))
        return t.lastError();
    for (std::size_t i = 0; i < trades.size(); ++i) {
        t.bindValue(0, id);
        t.bindValue(1, static_cast<int>(i));
        t.bindValue(2, HistoryFormNumber(record.form));
        t.bindValue(3, StoredTrade(trades[i]));
        if (!t.exec()) return t.lastError();
    }
    record.id = id;
    return {};
}

HistoryResult PrintHistory::Record(HistoryRecord& record) {
    if (record.uid.empty()) record.uid = NewRecordUid();
    if (Server()) return RecordOnServer(record);
    const HistoryResult opened = EnsureOpen();
    std::string message = Joined(TakeMessage(), opened.message);
    if (!open_) return {false, message.empty() ? HistoryWriteFailedMessage(path_) : message};
    if (!record.time.isValid()) record.time = QDateTime::currentDateTime();
    const std::vector<std::string> trades = DistinctTrades(record.tradeNumbers);

    QSqlError error = Insert(record, trades);
    if (error.isValid() && IsDamageError(error)) {
        // Damage found only now: the print goes into the mended or a new file.
        const HistoryResult mended = Repair();
        message = Joined(message, mended.message);
        if (!open_) return {false, message.empty() ? HistoryWriteFailedMessage(path_) : message};
        error = Insert(record, trades);
    }
    if (!error.isValid()) return {true, message};
    return {false, Joined(message, HistoryWriteFailedMessage(path_))};
}

HistoryResult PrintHistory::Repair() {
    // A reader beside a writer leaves mending to the writer.
    if (readOnly_) return {false, HistoryReadFailedMessage(path_)};
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
    return StartAfresh(readable, whole);
}

HistoryResult PrintHistory::StartAfresh(std::vector<HistoryRecord>& readable, bool whole) {
    CloseDatabase();
    const QString moved = MoveAside();
    if (moved.isEmpty()) {
        return {false, HistoryCannotMoveAsideMessage(path_)};
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
    fresh.message = Joined(HistoryDamagedMessage(moved, path_), fresh.message);
    return fresh;
}

namespace {

const char kRecordColumns[] =
    "SELECT id, form, buyer, consignee, address, telephone, template, sequence, printer,"
    " copies, printed_at, mobile, host, uid FROM prints";
const char kVersion2RecordColumns[] =
    "SELECT id, form, buyer, consignee, address, telephone, template, sequence, printer,"
    " copies, printed_at, mobile, '', NULL FROM prints";
// A version-1 file, read to be carried over when it was damaged before it could be brought up
// to date.
const char kVersion1RecordColumns[] =
    "SELECT id, form, buyer, consignee, address, telephone, template, sequence, printer,"
    " copies, printed_at, NULL, '', NULL FROM prints";

const char* RecordColumnsOf(int version) {
    return version == 1   ? kVersion1RecordColumns
           : version == 2 ? kVersion2RecordColumns
                          : kRecordColumns;
}

HistoryRecord RecordOfRow(const QSqlQuery& q) {
    HistoryRecord r;
    r.id = q.value(0).toLongLong();
    r.form = FormOfHistoryNumber(q.value(1).toInt());
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
    r.host = FromQ(q.value(12));
    r.uid = q.value(13).toString().toStdString();
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
        QString::fromLatin1(RecordColumnsOf(fileVersion_)) + QStringLiteral(" NOT INDEXED");
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

std::optional<PrintedBefore> PrintHistory::FindEarlierPrint(
    FormKind form, const std::vector<std::string>& tradeNumbers) {
    const std::vector<std::string> trades = DistinctTrades(tradeNumbers);
    const auto printed = FindPrinted(form, trades);
    if (!printed) return std::nullopt;
    for (const std::string& trade : trades) {
        const auto it = printed->find(trade);
        if (it != printed->end()) return it->second;
    }
    return std::nullopt;
}

std::optional<std::unordered_map<std::string, PrintedBefore>> PrintHistory::FindPrinted(
    FormKind form, const std::vector<std::string>& tradeNumbers) {
    std::unordered_map<std::string, PrintedBefore> printed;
    const std::vector<std::string> trades = DistinctTrades(tradeNumbers);
    if (trades.empty()) return printed;
    Keep(EnsureOpen().message);
    bool read = false;
    for (int attempt = 0; open_ && attempt < 2; ++attempt) {
        printed.clear();
        const QSqlError error = TryFindPrinted(form, trades, printed);
        if (!error.isValid()) {
            read = true;
            break;
        }
        if (attempt == 1 || !IsDamageError(error)) {
            if (Server()) {
                Keep(ServerFailed(error).message);
            } else {
                Keep(HistoryReadFailedMessage(path_));
            }
            break;
        }
        Keep(Repair().message);
    }
    if (!read) return std::nullopt;
    // Prints still waiting on this PC for the server are history all the same.
    if (Server() && !queuePath_.isEmpty() && QFileInfo::exists(queuePath_)) {
        const auto queued = Queue().FindPrinted(form, trades);
        Keep(Queue().TakeMessage());
        if (!queued) return std::nullopt;
        for (const auto& [trade, q] : *queued) {
            auto [it, added] = printed.emplace(trade, q);
            if (added) continue;
            PrintedBefore& p = it->second;
            const int times = p.times + q.times;
            if (q.time < p.time) p = q;
            p.times = times;
        }
    }
    return printed;
}

QSqlError PrintHistory::TryFindPrinted(FormKind form, const std::vector<std::string>& trades,
                                       std::unordered_map<std::string, PrintedBefore>& printed) {
    // Few statements for a whole batch, each well under the engines' limits on parameters.
    constexpr std::size_t kChunk = 500;
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    QString prepared;
    for (std::size_t start = 0; start < trades.size(); start += kChunk) {
        const std::size_t count = std::min(kChunk, trades.size() - start);
        QStringList marks;
        for (std::size_t i = 0; i < count; ++i) marks << QStringLiteral("?");
        const QString sql = QStringLiteral(
                                "SELECT c.trade, p.printed_at, p.printer, p.host, c.n FROM"
                                " (SELECT trade, min(print_id) AS first, count(*) AS n"
                                " FROM print_trades WHERE form = ? AND trade IN (%1)"
                                " GROUP BY trade) c JOIN prints p ON p.id = c.first")
                                .arg(marks.join(QLatin1Char(',')));
        const DeadlineScope bound = Bounded();
        if (sql != prepared) {
            if (!q.prepare(sql)) return q.lastError();
            prepared = sql;
        }
        q.bindValue(0, HistoryFormNumber(form));
        std::unordered_map<QString, std::string> asked;
        for (std::size_t i = 0; i < count; ++i) {
            const QString value = StoredTrade(trades[start + i]);
            q.bindValue(static_cast<int>(i) + 1, value);
            asked.emplace(value, trades[start + i]);
        }
        if (!q.exec()) return q.lastError();
        while (q.next()) {
            const auto it = asked.find(q.value(0).toString());
            if (it == asked.end()) continue;
            PrintedBefore earlier;
            earlier.tradeNumber = it->second;
            earlier.time =
                QDateTime::fromString(q.value(1).toString(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            earlier.printer = FromQ(q.value(2));
            earlier.host = FromQ(q.value(3));
            earlier.times = q.value(4).toInt();
            printed[it->second] = earlier;
        }
        if (q.lastError().isValid()) return q.lastError();
    }
    return {};
}

QSqlError PrintHistory::TrySelect(const QString& sql, const QVariantList& values,
                                  std::vector<HistoryRecord>& out) {
    out.clear();
    {
        const DeadlineScope bound = Bounded();
        QSqlQuery q(db_);
        q.setForwardOnly(true);
        if (!q.prepare(sql)) return q.lastError();
        for (int i = 0; i < values.size(); ++i) q.bindValue(i, values[i]);
        if (!ReadRows(q, out)) return q.lastError();
    }
    // The trade numbers of many records at a time, not one statement per record.
    constexpr std::size_t kChunk = 500;
    std::unordered_map<qlonglong, HistoryRecord*> byId;
    for (HistoryRecord& r : out) byId.emplace(static_cast<qlonglong>(r.id), &r);
    for (std::size_t start = 0; start < out.size(); start += kChunk) {
        const std::size_t count = std::min(kChunk, out.size() - start);
        QStringList ids;
        for (std::size_t i = 0; i < count; ++i)
            ids << QString::number(static_cast<qlonglong>(out[start + i].id));
        const DeadlineScope bound = Bounded();
        QSqlQuery t(db_);
        t.setForwardOnly(true);
        if (!t.exec(QStringLiteral("SELECT print_id, trade FROM print_trades WHERE print_id IN (%1)"
                                   " ORDER BY print_id, position")
                        .arg(ids.join(QLatin1Char(',')))))
            return t.lastError();
        while (t.next()) {
            const auto it = byId.find(t.value(0).toLongLong());
            if (it != byId.end()) it->second->tradeNumbers.push_back(FromQ(t.value(1)));
        }
        if (t.lastError().isValid()) return t.lastError();
    }
    return {};
}

std::vector<HistoryRecord> PrintHistory::Select(const QString& where, const QVariantList& values,
                                                int limit) {
    std::vector<HistoryRecord> out;
    Keep(EnsureOpen().message);
    QString sql = QString::fromLatin1(RecordColumnsOf(fileVersion_));
    if (!where.isEmpty()) sql += QStringLiteral(" WHERE ") + where;
    sql += QStringLiteral(" ORDER BY printed_at DESC, id DESC");
    if (limit > 0) sql += QStringLiteral(" LIMIT %1").arg(limit);
    for (int attempt = 0; open_ && attempt < 2; ++attempt) {
        const QSqlError error = TrySelect(sql, values, out);
        if (!error.isValid()) break;
        if (attempt == 1 || !IsDamageError(error)) {
            // What was read before the failure is still shown.
            Keep(HistoryReadFailedMessage(path_));
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
        values << StoredTrade(filter.tradeNumber);
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

HistoryResult PrintHistory::ServerFailed(const QSqlError& error) {
    const bool silent = deadline_.Expired();
    CloseDatabase();
    std::string detail = error.nativeErrorCode() == QLatin1String(kInsufficientPrivilege)
                             ? std::string(u8"该用户没有写入打印记录的权限。 ")
                             : std::string();
    if (silent) {
        detail += u8"服务器没有应答。";
    } else {
        detail += WithoutPassword(error.text().toStdString(), location_);
    }
    HistoryResult failed{false, HistoryServerMessage(path_, detail)};
    // A server that let a statement run out is not asked again at once.
    if (silent) MarkAway(failed.message);
    return failed;
}

HistoryResult PrintHistory::OpenServer() {
    CloseDatabase();
    db_ = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection_);
    if (!db_.isValid()) {
        CloseDatabase();
        return {false,
                HistoryServerMessage(path_, u8"未安装 PostgreSQL 的 Qt 驱动（libqt6sql6-psql）")};
    }
    db_.setHostName(location_.host);
    if (location_.port > 0) db_.setPort(location_.port);
    db_.setDatabaseName(location_.database);
    db_.setUserName(location_.user);
    db_.setPassword(location_.password);
    db_.setConnectOptions(location_.ConnectOptions());
    if (!db_.open()) return ServerFailed(db_.lastError());

    bool ok = true;
    QSqlError error;
    int version = 0;
    {
        const DeadlineScope bound = Bounded(2 * kServerStatementLimit);
        QSqlQuery q(db_);
        // A trade number another PC holds longer than this is taken as stuck: the check goes on.
        // Any other statement the server cannot finish in time turns the print to the queue.
        ok = Exec(q, QStringLiteral("SET lock_timeout = '%1s'").arg(kTradeHoldSeconds)) &&
             Exec(q, QStringLiteral("SET statement_timeout = '%1ms'")
                         .arg(kServerStatementLimit.count())) &&
             Exec(q, QStringLiteral("SET client_min_messages = warning")) && db_.transaction();
        ok = ok && q.prepare(QStringLiteral("SELECT pg_advisory_xact_lock(?)"));
        q.addBindValue(kSchemaLockKey);
        ok = ok && q.exec() &&
             Exec(q, QStringLiteral("SELECT to_regclass('tallivo_schema') IS NOT NULL")) &&
             q.next();
        if (ok && q.value(0).toBool())
            ok = Exec(q, QStringLiteral("SELECT coalesce(max(version), 0) FROM tallivo_schema")) &&
                 q.next() && (version = q.value(0).toInt(), true);
        if (ok && version > kSchemaVersion) {
            q.finish();
            db_.rollback();
            CloseDatabase();
            return {false, HistoryServerMessage(path_, u8"服务器上的打印记录由较新版本的程序创建")};
        }
        if (ok && version < kSchemaVersion) {
            ok = ok &&
                 Exec(q,
                      QStringLiteral(
                          "CREATE TABLE IF NOT EXISTS tallivo_schema (version INTEGER NOT NULL)"));
            for (const QString& sql : SchemaStatements(SqlDialect::kPostgres, version))
                ok = ok && Exec(q, sql);
            ok = ok && Exec(q, QStringLiteral("DELETE FROM tallivo_schema")) &&
                 Exec(q, QStringLiteral("INSERT INTO tallivo_schema (version) VALUES (%1)")
                             .arg(kSchemaVersion));
        }
        error = q.lastError().isValid() ? q.lastError() : db_.lastError();
    }
    {
        const DeadlineScope bound = Bounded();
        if (ok && !db_.commit()) {
            ok = false;
            error = db_.lastError();
        }
        if (!ok) db_.rollback();
    }
    if (!ok) return ServerFailed(error);
    fileVersion_ = kSchemaVersion;
    open_ = true;
    // The server is back: what waited on this PC goes first.
    if (!queuePath_.isEmpty() && QFileInfo::exists(queuePath_)) Keep(SendQueue().message);
    return {};
}

PrintHistory& PrintHistory::Queue() {
    if (!queue_) queue_ = std::make_unique<PrintHistory>(queuePath_);
    return *queue_;
}

HistoryResult PrintHistory::RecordOnServer(HistoryRecord& record, bool queued) {
    if (!record.time.isValid()) record.time = QDateTime::currentDateTime();
    std::string message;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const HistoryResult opened = EnsureOpen();
        message = Joined(Joined(message, TakeMessage()), opened.message);
        if (!open_) break;
        const QSqlError error = Insert(record, DistinctTrades(record.tradeNumbers));
        if (!error.isValid()) {
            if (queued && !Queue().RemoveUid(record.uid))
                message = Joined(message, Queue().TakeMessage());
            return {true, message};
        }
        if (RecordRefused(error)) {
            // The server is fine; this record waits in the queue, to be set aside when sent.
            message = HistoryServerMessage(path_, RefusalText(error));
            break;
        }
        const bool refused = error.nativeErrorCode() == QLatin1String(kInsufficientPrivilege);
        // A connection the server dropped is tried once more, afresh.
        message = ServerFailed(error).message;
        if (refused) break;
    }
    if (queuePath_.isEmpty()) return {false, message};
    if (queued) return {true, Joined(message, HistoryQueuedMessage())};
    // The print is kept on this PC until the server takes it.
    HistoryRecord copy = record;
    const HistoryResult kept = Queue().Record(copy);
    if (!kept.ok) return {false, Joined(message, kept.message)};
    return {true, Joined(Joined(message, kept.message), HistoryQueuedMessage())};
}

bool PrintHistory::RecordRefused(const QSqlError& error) {
    const QString state = error.nativeErrorCode();
    // Bad data, a broken rule, a text the server cannot parse or index, a trigger's refusal.
    for (const char* refusal : {"22", "23", "54", "P0"})
        if (state.startsWith(QLatin1String(refusal))) return true;
    return state == QLatin1String("42601");
}

std::string PrintHistory::RefusalText(const QSqlError& error) const {
    return WithoutPassword(error.text().toStdString(), location_);
}

QString PrintHistory::RefusedPath() const {
    return QFileInfo(queuePath_).dir().filePath(QLatin1String(kHistoryRefusedFileName));
}

HistoryResult PrintHistory::Reserve(HistoryRecord& record) {
    if (record.uid.empty()) record.uid = NewRecordUid();
    if (!record.time.isValid()) record.time = QDateTime::currentDateTime();
    if (!Server()) return Record(record);
    if (queuePath_.isEmpty()) return {};
    HistoryRecord queued = record;
    HistoryResult kept = Queue().Record(queued);
    if (kept.ok) reserved_.insert(record.uid);
    return kept;
}

HistoryResult PrintHistory::Settle(HistoryRecord& record) {
    if (!Server()) return record.id != 0 ? HistoryResult{} : Record(record);
    const bool queued = reserved_.erase(record.uid) > 0;
    return RecordOnServer(record, queued);
}

HistoryResult PrintHistory::Withdraw(const HistoryRecord& record) {
    if (record.uid.empty()) return {};
    if (!Server()) {
        if (RemoveUid(record.uid)) return {};
        return {false, TakeMessage()};
    }
    if (reserved_.erase(record.uid) == 0) return {};
    if (Queue().RemoveUid(record.uid)) return {};
    return {false, Queue().TakeMessage()};
}

bool PrintHistory::HoldTrades(FormKind form, const std::vector<std::string>& tradeNumbers) {
    if (!Server()) return true;
    Keep(EnsureOpen().message);
    if (!open_) return false;
    std::vector<std::string> trades = DistinctTrades(tradeNumbers);
    // One order everywhere: two PCs holding the same trades never wait on each other in a ring.
    std::sort(trades.begin(), trades.end());
    // Waiting for another PC's print may take up to the lock timeout, and no longer.
    const auto limit = std::chrono::seconds(kTradeHoldSeconds) + kServerStatementLimit;
    const DeadlineScope bound = Bounded(limit);
    QSqlQuery q(db_);
    bool ok = Exec(q, QStringLiteral("SET statement_timeout = 0"));
    // One statement for the batch: the locks are taken in the sorted order either way.
    QStringList marks;
    for (std::size_t i = 0; i < trades.size(); ++i)
        marks << QStringLiteral("(?, %1)").arg(static_cast<qulonglong>(i));
    ok = ok && q.prepare(QStringLiteral("SELECT count(pg_advisory_lock(hashtextextended(k, 0)))"
                                        " FROM (SELECT k FROM (VALUES %1) v(k, n) ORDER BY n) s")
                             .arg(marks.join(QLatin1Char(','))));
    for (std::size_t i = 0; ok && i < trades.size(); ++i)
        q.bindValue(static_cast<int>(i), QString::number(HistoryFormNumber(form)) +
                                             QLatin1Char(':') + StoredTrade(trades[i]));
    // Locks taken before a failure stay until released, as a session's locks do.
    holding_ = true;
    ok = ok && q.exec();
    QSqlError error = q.lastError();
    q.finish();
    QSqlQuery reset(db_);
    if (!Exec(
            reset,
            QStringLiteral("SET statement_timeout = '%1ms'").arg(kServerStatementLimit.count())) &&
        !error.isValid())
        error = reset.lastError();
    if (!error.isValid()) return ok;
    // Another PC holding a trade too long is no fault of the server's.
    if (!deadline_.Expired() && error.nativeErrorCode() == QLatin1String(kLockNotAvailable))
        return false;
    Keep(ServerFailed(error).message);
    return false;
}

void PrintHistory::ReleaseTrades() {
    if (!holding_ || !open_) return;
    const DeadlineScope bound = Bounded();
    QSqlQuery q(db_);
    Exec(q, QStringLiteral("SELECT pg_advisory_unlock_all()"));
    holding_ = false;
}

SyncResult PrintHistory::CopyFrom(PrintHistory& from, bool removeSent) {
    SyncResult result;
    std::vector<HistoryRecord> records = from.List();
    const std::string fromMessage = from.TakeMessage();
    // Oldest first, as they were printed.
    std::reverse(records.begin(), records.end());
    result.left = static_cast<int>(records.size());
    result.message = fromMessage;
    int refused = 0;
    std::string refusedWhy;
    std::unique_ptr<PrintHistory> refusedFile;
    for (HistoryRecord& r : records) {
        // A print still on its way to the printer is settled or withdrawn by its run.
        if (removeSent && reserved_.count(r.uid) > 0) {
            --result.left;
            continue;
        }
        HistoryRecord copy = r;
        const QSqlError error = Insert(copy, DistinctTrades(copy.tradeNumbers));
        if (error.isValid() && RecordRefused(error)) {
            // A record the server will never take holds up none of the rest: a queued one is
            // moved out of the queue, so that it is said this once.
            if (refusedWhy.empty()) refusedWhy = RefusalText(error);
            ++refused;
            if (!removeSent) continue;
            if (!refusedFile) refusedFile = std::make_unique<PrintHistory>(RefusedPath());
            HistoryRecord kept = r;
            const HistoryResult moved = refusedFile->Record(kept);
            if (moved.ok && from.Remove(r.id)) {
                --result.left;
            } else {
                result.message = Joined(Joined(result.message, moved.message), from.TakeMessage());
            }
            continue;
        }
        if (error.isValid()) {
            result.message = Joined(result.message, ServerFailed(error).message);
            break;
        }
        // Once the server has it, the copy on this PC may go; sent again it is kept once.
        if (removeSent && !from.Remove(r.id)) {
            result.message = Joined(result.message, from.TakeMessage());
            break;
        }
        if (insertedNew_) ++result.sent;
        --result.left;
    }
    if (refused > 0)
        result.message = Joined(
            result.message,
            HistorySetAsideMessage(refused, removeSent ? RefusedPath() : from.Path(), refusedWhy));
    return result;
}

SyncResult PrintHistory::SendQueue() {
    if (!Server() || queuePath_.isEmpty() || !QFileInfo::exists(queuePath_)) return {};
    if (!open_) {
        // Asked for by the seller: the server is tried even when it was away a moment ago.
        RetryServer();
        // Opening sends the queue itself.
        const int before = Queued();
        const HistoryResult opened = EnsureOpen();
        SyncResult result;
        result.left = Queued();
        result.sent = std::max(0, before - result.left);
        result.message = Joined(TakeMessage(), opened.message);
        return result;
    }
    return CopyFrom(Queue(), true);
}

SyncResult PrintHistory::Import(PrintHistory& local) {
    const HistoryResult opened = EnsureOpen();
    if (!open_) return {0, 0, Joined(TakeMessage(), opened.message)};
    return CopyFrom(local, false);
}

int PrintHistory::Queued() {
    if (!Server() || queuePath_.isEmpty() || !QFileInfo::exists(queuePath_)) return 0;
    const int count = static_cast<int>(Queue().List().size());
    // Damage found in the queue is said with the next result, never lost in the queue.
    Keep(Queue().TakeMessage());
    return count;
}

bool PrintHistory::RemoveUid(const std::string& uid) {
    Keep(EnsureOpen().message);
    if (!open_) return false;
    std::vector<std::int64_t> ids;
    {
        QSqlQuery q(db_);
        if (!q.prepare(QStringLiteral("SELECT id FROM prints WHERE uid = ?"))) return false;
        q.addBindValue(StoredText(uid));
        if (!q.exec()) {
            Keep(HistoryWriteFailedMessage(path_));
            return false;
        }
        while (q.next()) ids.push_back(q.value(0).toLongLong());
    }
    for (const std::int64_t id : ids)
        if (!Remove(id)) return false;
    return true;
}

bool PrintHistory::Remove(std::int64_t id) {
    Keep(EnsureOpen().message);
    if (!open_) return false;
    if (!db_.transaction()) return false;
    bool ok = true;
    {
        QSqlQuery q(db_);
        for (const char* sql :
             {"DELETE FROM print_trades WHERE print_id = ?", "DELETE FROM prints WHERE id = ?"}) {
            ok = ok && q.prepare(QString::fromLatin1(sql));
            q.addBindValue(static_cast<qlonglong>(id));
            ok = ok && q.exec();
        }
    }
    ok = ok && db_.commit();
    if (!ok) {
        db_.rollback();
        Keep(HistoryWriteFailedMessage(path_));
    }
    return ok;
}

}  // namespace tallivo
