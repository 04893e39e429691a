// tallivo-browser-host: the browser extension's native-messaging host. It hands the page text
// to the running Tallivo, starting it when none runs; stdout carries nothing but replies.
#include <QCoreApplication>
#include <QDir>

#include "browser/handover_channel.h"
#include "browser/native_host.h"
#include "tallivo_version.h"

int main(int argc, char** argv) {
    if (tallivo::PrintVersionIfAsked(argc, argv, "tallivo-browser-host")) return 0;
    QCoreApplication app(argc, argv);
    tallivo::browser::NativeHostSettings settings;
    settings.title = QString::fromUtf8(tallivo::browser::kApplicationTitle);
    settings.program = QDir(QCoreApplication::applicationDirPath())
                           .filePath(
#ifdef Q_OS_WIN
                               QStringLiteral("tallivo.exe")
#else
                               QStringLiteral("tallivo")
#endif
                           );
    return tallivo::browser::RunNativeHost(0, 1, settings);
}
