// tallivo-cli history: the print history, newest first.
#include <QFileInfo>
#include <cstdio>

#include "cli/cli_io.h"
#include "cli/commands.h"
#include "cli/json_writer.h"
#include "history/print_history.h"
#include "session/app_settings.h"
#include "text/gbk_codec.h"

namespace tallivo {

namespace {

std::string Utf8(const std::string& gbk) {
    return GbkToUtf8(gbk);
}

std::string Joined(const std::vector<std::string>& trades) {
    std::string out;
    for (const std::string& t : trades) out += (out.empty() ? "" : ",") + Utf8(t);
    return out;
}

void WriteJson(const HistoryRecord& r) {
    JsonWriter json;
    json.BeginObject();
    json.Key("id");
    json.Int(r.id);
    json.Key("time");
    json.String(HistoryTimeText(r.time).toStdString());
    json.Key("form");
    json.String(HistoryFormName(r.form));
    json.Key("trades");
    json.BeginArray();
    for (const std::string& t : r.tradeNumbers) json.String(Utf8(t));
    json.EndArray();
    json.Key("buyer");
    json.String(Utf8(r.buyer));
    json.Key("consignee");
    json.String(Utf8(r.consignee));
    json.Key("address");
    json.String(Utf8(r.address));
    json.Key("mobile");
    json.String(Utf8(r.mobile));
    json.Key("telephone");
    json.String(Utf8(r.telephone));
    json.Key("template");
    json.String(Utf8(r.templateName));
    json.Key("sequence");
    json.Int(r.sequenceNumber);
    json.Key("printer");
    json.String(Utf8(r.printer));
    json.Key("copies");
    json.Int(r.copies);
    json.Key("host");
    json.String(Utf8(r.host));
    json.EndObject();
    std::fwrite(json.Text().data(), 1, json.Text().size(), stdout);
    std::fputc('\n', stdout);
}

// Tabs separate the fields; a tab or line break inside one would shift the columns.
std::string Field(std::string utf8) {
    for (char& c : utf8)
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    return utf8;
}

void WriteLine(const HistoryRecord& r) {
    const std::string line = HistoryTimeText(r.time).toStdString() + "\t" +
                             HistoryFormName(r.form) + "\t" + Field(Joined(r.tradeNumbers)) + "\t" +
                             Field(Utf8(r.buyer)) + "\t" + Field(Utf8(r.consignee)) + "\t" +
                             Field(Utf8(r.address)) + "\t" + Field(Utf8(ShownTelephone(r))) + "\t" +
                             Field(Utf8(r.templateName)) + "\t" + std::to_string(r.sequenceNumber) +
                             "\t" + Field(Utf8(r.printer)) + "\t" + std::to_string(r.copies) + "\n";
    std::fputs(line.c_str(), stdout);
}

// One line saying how many records went to the server; false when some are left behind.
bool ReportSync(const char* what, const SyncResult& result) {
    std::printf("%s %d record(s)", what, result.sent);
    if (result.left > 0) std::printf(", %d not yet", result.left);
    std::fputc('\n', stdout);
    if (!result.message.empty()) PrintMessage(result.message);
    return result.left == 0 && result.message.empty();
}

int SendToServer(const HistoryOptions& options, const HistoryLocation& location,
                 const std::string& programFolder) {
    if (!location.Server()) {
        std::fputs(
            "tallivo-cli: --sync and --import need the history on a server"
            " (--history-db or Tallivo.ini)\n",
            stderr);
        return kExitUsage;
    }
    std::unique_ptr<PrintHistory> history = MakeHistory(location, programFolder);
    bool ok = true;
    if (options.sync) ok = ReportSync("sent", history->SendQueue()) && ok;
    if (options.import) {
        const QString path = PrintHistoryPath(programFolder);
        SyncResult none;
        if (!QFileInfo::exists(path)) {
            ok = ReportSync("imported", none) && ok;
        } else {
            PrintHistory local(path);
            ok = ReportSync("imported", history->Import(local)) && ok;
        }
    }
    return ok ? kExitOk : kExitFailure;
}

}  // namespace

int RunHistory(const HistoryOptions& options, const std::string& programFolder) {
    const HistoryLocation location = options.historyDb.empty()
                                         ? AppSettings(programFolder).History()
                                         : *ParseHistoryUrl(options.historyDb).location;
    if (options.sync || options.import) return SendToServer(options, location, programFolder);
    const QString path =
        location.sqlitePath.isEmpty() ? PrintHistoryPath(programFolder) : location.sqlitePath;
    // Looking does not start a history where there is none.
    if (!location.Server() && !QFileInfo::exists(path)) {
        if (!options.json) std::fputs("no prints recorded\n", stdout);
        return kExitOk;
    }
    const std::unique_ptr<PrintHistory> owned = MakeHistory(location, programFolder);
    PrintHistory& history = *owned;
    // A window printing meanwhile keeps its history and journal as they are.
    history.SetReader(true);
    const HistoryResult opened = history.Open();
    if (!opened.message.empty()) PrintMessage(opened.message);
    if (!opened.ok) return kExitFailure;

    HistoryFilter filter;
    filter.tradeNumber = IsValidUtf8(options.trade) ? Utf8ToGbk(options.trade) : options.trade;
    if (!options.since.empty())
        filter.since = QDate::fromString(QString::fromStdString(options.since), Qt::ISODate);
    const std::vector<HistoryRecord> records = history.List(filter);
    // What could still be read is listed; the damage is said all the same.
    const std::string message = history.TakeMessage();
    if (!message.empty()) PrintMessage(message);
    if (!options.json)
        std::fputs(
            "time\tform\ttrades\tbuyer\tconsignee\taddress\ttelephone\ttemplate\tsequence"
            "\tprinter\tcopies\n",
            stdout);
    for (const HistoryRecord& r : records) options.json ? WriteJson(r) : WriteLine(r);
    return opened.message.empty() && message.empty() ? kExitOk : kExitFailure;
}

}  // namespace tallivo
