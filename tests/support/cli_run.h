// Running a built program as a user would, from a test: its exit code and what it wrote.
#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <string>

namespace tallivo::testing {

struct CliRun {
    int status = -1;  // the exit code; -1 when it crashed or did not finish in time
    std::string out;
    std::string err;

    QString Err() const { return QString::fromStdString(err); }
    // Standard output a line each, empty lines left out (one JSON object a line).
    QStringList Lines() const {
        return QString::fromStdString(out).split('\n', Qt::SkipEmptyParts);
    }
};

// Runs a program with these arguments in the test's environment with `extra` added; waits up to
// timeoutMs (-1: for ever).
CliRun RunProgram(const QString& program, const QStringList& args,
                  const QProcessEnvironment& extra = {}, int timeoutMs = 60000);

// Runs a command line in the shell, for redirections and limits; the caller quotes its words.
CliRun RunShell(const std::string& command);

// A word for the shell; the test paths hold no single quote.
inline std::string Quote(const std::string& s) {
    return "'" + s + "'";
}

}  // namespace tallivo::testing
