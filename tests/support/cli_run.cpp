#include "support/cli_run.h"

#include <QProcess>

namespace tallivo::testing {

CliRun RunProgram(const QString& program, const QStringList& args, const QProcessEnvironment& extra,
                  int timeoutMs) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(extra);
    process.setProcessEnvironment(env);
    process.start(program, args);
    CliRun run;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput().toStdString();
    run.err = process.readAllStandardError().toStdString();
    return run;
}

CliRun RunShell(const std::string& command) {
    return RunProgram(QStringLiteral("/bin/sh"),
                      {QStringLiteral("-c"), QString::fromStdString(command)}, {}, -1);
}

}  // namespace tallivo::testing
