// One packing PC in a race: holds the trade, checks it, and records it when nobody printed it
// before, taking a little time between as a print would. Prints "asked" or "recorded".
#include <QCoreApplication>
#include <QThread>
#include <cstdio>

#include "history/print_history.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 4) return 2;
    const tallivo::LocationParse parsed = tallivo::ParseHistoryUrl(argv[1]);
    if (!parsed.location) return 2;
    tallivo::PrintHistory history(*parsed.location, QString::fromLocal8Bit(argv[2]));
    const std::vector<std::string> trades = {argv[3]};
    const auto form = tallivo::FormKind::kFreightBill;
    if (!history.HoldTrades(form, trades)) return 3;
    if (history.FindEarlierPrint(form, trades)) {
        std::puts("asked");
        return 0;
    }
    QThread::msleep(20);
    tallivo::HistoryRecord record;
    record.tradeNumbers = trades;
    if (!history.Record(record).ok) return 4;
    history.ReleaseTrades();
    std::puts("recorded");
    return 0;
}
