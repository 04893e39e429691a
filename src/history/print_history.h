// The print history: every printed form in an SQLite file beside the program, looked up by trade
// number before a print and listed by the history window and the command line.
//
// Writing history never stands in a print's way: each call returns what went wrong as a message
// for the caller to show once, and the print goes on. A damaged file is moved aside under a dated
// name and a new one is started with the records that could still be read; nothing is deleted.
#pragma once

#include <QDate>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "history/history_location.h"
#include "history/history_messages.h"
#include "history/history_record.h"
#include "history/server_deadline.h"

namespace tallivo {

// "PrintHistory.sqlite".
extern const char* const kPrintHistoryFileName;
// "HistoryQueue.sqlite": records kept on the PC while the server could not take them.
extern const char* const kHistoryQueueFileName;
// "HistoryRefused.sqlite": records the server refused, kept apart so that the rest go on.
extern const char* const kHistoryRefusedFileName;
// The history file of a program folder.
QString PrintHistoryPath(const std::string& programFolder);
// The queue of records waiting for the server, beside the program.
QString HistoryQueuePath(const std::string& programFolder);

// After a failed attempt the server is taken as away for this long: a run and the window queue
// their prints at once instead of waiting on it for every page.
constexpr int kServerAwaySeconds = 60;
// The longest one server statement may take before the print turns to the queue.
constexpr std::chrono::milliseconds kServerStatementLimit{4000};
// How long a reprint check waits for another PC holding the same trade number.
constexpr int kTradeHoldSeconds = 30;

struct HistoryResult {
    bool ok = true;       // the operation was done
    std::string message;  // GBK; when not empty the caller shows it, once
};

// The first print of a trade number on one kind of form.
struct PrintedBefore {
    std::string tradeNumber;
    QDateTime time;
    std::string printer;
    std::string host;  // the PC; empty when unknown
    int times = 1;     // prints of it on this kind of form so far
};

struct SyncResult {
    int sent = 0;         // records the server took from the queue
    int left = 0;         // records still waiting
    std::string message;  // GBK; why some are left
};

struct HistoryFilter {
    std::string tradeNumber;  // GBK; records holding exactly this trade number
    // GBK; records whose trade number, buyer or consignee contains it, or whose time starts
    // with it ("2026-12-07").
    std::string text;
    std::optional<QDate> since;  // printed on or after this day
    int limit = 0;               // the newest this many; 0 for all
};

class PrintHistory {
public:
    // The file is opened at the first use, or by Open().
    explicit PrintHistory(QString path);
    // The history at a location; records a server cannot take wait in the SQLite file at
    // `queuePath` and are sent when it is back.
    PrintHistory(const HistoryLocation& location, QString queuePath);
    ~PrintHistory();
    PrintHistory(const PrintHistory&) = delete;
    PrintHistory& operator=(const PrintHistory&) = delete;

    // Opens or creates the file and brings its schema up to date. A damaged file is moved
    // aside and a new one started, which the message says. Not ok when no history can be kept
    // now; later calls try again.
    HistoryResult Open();
    bool IsOpen() const { return open_; }

    // Before the job goes to the printer: the record is kept on this PC (in the queue when the
    // history is on a server), so that a run killed mid-print loses nothing. Sets its uid and
    // time. Not ok when it could not be kept.
    HistoryResult Reserve(HistoryRecord& record);
    // After the printer took the job: a reserved record goes to the server and leaves the
    // queue, or stays queued while the server is away. Nothing more to do for a file.
    HistoryResult Settle(HistoryRecord& record);
    // The job did not go out: the reserved record is taken back.
    HistoryResult Withdraw(const HistoryRecord& record);

    // Adds a printed form, its id set on success; the time is taken from the record (the
    // current time when it has none). Any message of opening it comes with the result.
    HistoryResult Record(HistoryRecord& record);

    // The earliest print of the first of these trade numbers printed before on this kind of
    // form; nothing when none was, or when the history cannot be read (TakeMessage() says why).
    std::optional<PrintedBefore> FindEarlierPrint(FormKind form,
                                                  const std::vector<std::string>& tradeNumbers);

    // Which of these trade numbers were printed on this kind of form before, each with its
    // earliest print, in a few statements for any size of batch; on a server the prints waiting
    // in this PC's queue count too. Nothing when the history (or the queue) cannot be read
    // (TakeMessage() says why), so a caller never takes an unreadable history for one without
    // prints.
    std::optional<std::unordered_map<std::string, PrintedBefore>> FindPrinted(
        FormKind form, const std::vector<std::string>& tradeNumbers);

    // Records matching the filter, newest first.
    std::vector<HistoryRecord> List(const HistoryFilter& filter = {});
    // One record by id.
    std::optional<HistoryRecord> Find(std::int64_t id);

    // A message of a lookup or listing not shown yet (opening moved a damaged file aside, the
    // file cannot be read); empty when none. Record() hands these over itself.
    std::string TakeMessage();

    // On a server: holds every trade number for this PC until ReleaseTrades(), so that another
    // PC's reprint check waits until this print is recorded. False when they could not be held.
    bool HoldTrades(FormKind form, const std::vector<std::string>& tradeNumbers);
    void ReleaseTrades();

    // Sends the records waiting on this PC to the server, each once.
    SyncResult SendQueue();
    // Records waiting on this PC for the server.
    int Queued();
    // Copies every record of a local history into this one, those already there left out.
    SyncResult Import(PrintHistory& local);

    // Removes one record (the queue, once the server has it).
    bool Remove(std::int64_t id);

    bool Server() const { return location_.Server(); }
    // A server attempt failed less than kServerAwaySeconds ago: calls answer at once as failed
    // (records go to the queue) without asking the server again.
    bool ServerAway() const;
    // The next call asks the server again (the seller asked to send the queue).
    void RetryServer();
    // A reader (a listing beside a running window) that finds the file open elsewhere opens it
    // read-only: it never checkpoints, repairs or moves it, nor touches its journal.
    void SetReader(bool reader) { reader_ = reader; }
    // The file, or the server without its password.
    const QString& Path() const { return path_; }
    // The schema version this program writes.
    static int SchemaVersion();

private:
    HistoryResult EnsureOpen();
    void MarkAway(const std::string& message);
    DeadlineScope Bounded(std::chrono::milliseconds limit = kServerStatementLimit);
    bool RemoveUid(const std::string& uid);
    // The file is open in another program: its journal files are there.
    bool InUseElsewhere() const;
    HistoryResult OpenDatabase();
    HistoryResult OpenServer();
    HistoryResult ServerFailed(const QSqlError& error);
    // `queued`: the record waits in the queue already (reserved) and leaves it once sent.
    HistoryResult RecordOnServer(HistoryRecord& record, bool queued = false);
    // The server refused this record itself, not the connection or the role.
    static bool RecordRefused(const QSqlError& error);
    std::string RefusalText(const QSqlError& error) const;
    // The file records the server refused are kept in, beside the queue.
    QString RefusedPath() const;
    SyncResult CopyFrom(PrintHistory& from, bool removeSent);
    // The local queue, opened when first needed.
    PrintHistory& Queue();
    void CloseDatabase();
    // Moves the file (and its journal) aside; the dated name, or empty when it could not.
    QString MoveAside();
    HistoryResult Damaged();
    // After damage was found: an index is rebuilt, from its table when REINDEX cannot. Damage
    // to the records moves the file aside and starts a new one holding what could be read.
    HistoryResult Repair();
    // Moves the file aside and starts a new one holding `readable`; the moved copy goes when
    // `whole` says it holds nothing more.
    HistoryResult StartAfresh(std::vector<HistoryRecord>& readable, bool whole);
    // Every record that can be read, with its trade numbers; false when some could not be.
    bool ReadReadable(std::vector<HistoryRecord>& records);
    // Writes one record in one transaction; the error, invalid when it was written.
    QSqlError Insert(HistoryRecord& record, const std::vector<std::string>& trades);
    // The rows of one record, keeping its id when asked; no transaction of its own.
    QSqlError InsertRows(HistoryRecord& record, const std::vector<std::string>& trades,
                         bool keepId);
    HistoryResult WriteFailed();
    bool IsDamageError(const QSqlError& error) const;
    std::vector<HistoryRecord> Select(const QString& where, const QVariantList& values, int limit);
    // One try of Select: the error of the first step that failed, invalid when all went well.
    QSqlError TrySelect(const QString& sql, const QVariantList& values,
                        std::vector<HistoryRecord>& out);
    QSqlError TryFindPrinted(FormKind form, const std::vector<std::string>& trades,
                             std::unordered_map<std::string, PrintedBefore>& printed);
    void Keep(const std::string& message);

    HistoryLocation location_;
    QString path_;
    QString queuePath_;
    std::unique_ptr<PrintHistory> queue_;
    bool holding_ = false;
    QString connection_;
    QSqlDatabase db_;
    bool open_ = false;
    int fileVersion_ = 0;      // the schema version of the open file
    bool insertedNew_ = true;  // the last insert added a record the history lacked
    std::string pending_;
    std::unordered_set<std::string> reserved_;  // uids reserved in the queue, not yet settled
    ServerDeadline deadline_;
    std::string awayMessage_;
    std::chrono::steady_clock::time_point awayUntil_;
    bool reader_ = false;
    bool readOnly_ = false;  // opened read-only, as a reader beside a writer
};

// The history at a location, for a program folder (its file, or the server with its queue).
std::unique_ptr<PrintHistory> MakeHistory(const HistoryLocation& location,
                                          const std::string& programFolder);

}  // namespace tallivo
