// A tiny program on the single-instance channel, for the tests that need other processes.
//   handover_peer send TITLE WORD...   hands WORD... over as a command line; status 0 when handled
//   handover_peer race TITLE N         becomes the server and waits for N records, or hands over
//   tallivo (no arguments)             stands in for the program that the native host starts:
//                                      listens under the real title and writes the first record
//                                      to $TALLIVO_PEER_RECORD_FILE
#include <QCoreApplication>
#include <QFile>
#include <QTimer>
#include <cstdio>
#include <string>
#include <vector>

#include "browser/handover_channel.h"
#include "browser/handover_client.h"
#include "browser/handover_record.h"
#include "browser/handover_server.h"
#include "browser/single_instance.h"

using namespace tallivo::browser;

namespace {

int Send(const QString& title, const QStringList& words) {
    std::vector<std::string> arguments;
    for (const QString& word : words) arguments.push_back(word.toStdString());
    const std::string text = JoinHandoverText(arguments);
    HandoverClient client(title);
    const HandoverOutcome outcome = client.Send(kCommandLineTag, QByteArray::fromStdString(text));
    std::printf("%s\n", outcome.handled() ? "client handled"
                                          : ("client failed: " + outcome.message).toUtf8().data());
    return outcome.handled() ? 0 : 1;
}

int Race(QCoreApplication& app, const QString& title, int expected) {
    HandoverServer server(title);
    const QByteArray text = "peer " + QByteArray::number(app.applicationPid());
    const SingleInstanceStart start = StartOrHandOver(server, title, kCommandLineTag, text);
    switch (start.status) {
        case SingleInstanceStart::Status::kHandedOver:
            std::printf("client handled\n");
            return 0;
        case SingleInstanceStart::Status::kFailed:
        case SingleInstanceStart::Status::kNoChannel:
            std::printf("failed: %s\n", start.message.toUtf8().data());
            return 1;
        case SingleInstanceStart::Status::kRunHere:
            break;
    }
    std::printf("server\n");
    std::fflush(stdout);
    int received = 0;
    QObject::connect(&server, &HandoverServer::RecordReceived, [&] {
        if (++received == expected) app.quit();
    });
    QTimer::singleShot(30000, &app, &QCoreApplication::quit);
    if (expected > 0) app.exec();
    std::printf("received %d\n", received);
    return 0;
}

int StandIn(QCoreApplication& app) {
    HandoverServer server(QString::fromUtf8(kApplicationTitle));
    if (server.Start() != HandoverServer::StartResult::kListening) return 1;
    std::printf("listening\n");
    std::fflush(stdout);
    QObject::connect(&server, &HandoverServer::RecordReceived,
                     [&](quint32 tag, const QByteArray& text) {
                         QFile out(qEnvironmentVariable("TALLIVO_PEER_RECORD_FILE"));
                         if (out.open(QIODevice::WriteOnly)) {
                             out.write(QByteArray::number(tag) + '\n' + text);
                         }
                         app.quit();
                     });
    QTimer::singleShot(30000, &app, &QCoreApplication::quit);
    return app.exec();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 3 && args[1] == QStringLiteral("send")) return Send(args[2], args.mid(3));
    if (args.size() == 4 && args[1] == QStringLiteral("race")) {
        return Race(app, args[2], args[3].toInt());
    }
    if (args.size() == 1) return StandIn(app);
    std::fprintf(stderr, "usage: handover_peer send TITLE WORD... | race TITLE N\n");
    return 2;
}
