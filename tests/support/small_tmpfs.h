// A small tmpfs of the test's own on a temporary folder, to run out of space on purpose. Mounting
// needs root; where it is refused the test is skipped, saying why.
#pragma once

#include <QProcess>
#include <QTemporaryDir>
#include <string>

namespace tallivo::testing {

class SmallTmpfs {
public:
    explicit SmallTmpfs(int kib) {
        QProcess mount;
        mount.setProcessChannelMode(QProcess::MergedChannels);
        mount.start(
            QStringLiteral("mount"),
            {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
             QStringLiteral("size=%1k,mode=1777").arg(kib), QStringLiteral("tmpfs"), dir_.path()});
        mounted_ = dir_.isValid() && mount.waitForFinished(10000) && mount.exitCode() == 0;
        if (!mounted_)
            skip_ = "cannot mount a small tmpfs (needs root): " + mount.readAll().toStdString();
    }
    ~SmallTmpfs() {
        if (mounted_)
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), dir_.path()});
    }
    const std::string& SkipReason() const { return skip_; }
    QString Path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
    std::string skip_;
};

}  // namespace tallivo::testing
