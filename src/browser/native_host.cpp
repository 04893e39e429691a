#include "browser/native_host.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <algorithm>
#include <cerrno>

#include "browser/handover_client.h"
#include "browser/handover_record.h"
#include "browser/native_message.h"
#include "text/gbk_codec.h"

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tallivo::browser {

namespace {

std::string Utf8(const QString& text) {
    return text.toStdString();
}

long ReadSome(int fd, char* buffer, unsigned size) {
#ifdef Q_OS_WIN
    return _read(fd, buffer, size);
#else
    ssize_t got;
    do {
        got = ::read(fd, buffer, size);
    } while (got < 0 && errno == EINTR);
    return static_cast<long>(got);
#endif
}

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
#ifdef Q_OS_WIN
        const long wrote = _write(fd, bytes.data() + done, unsigned(bytes.size() - done));
#else
        const long wrote = static_cast<long>(::write(fd, bytes.data() + done, bytes.size() - done));
        if (wrote < 0 && errno == EINTR) continue;
#endif
        if (wrote <= 0) return false;
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

}  // namespace

std::string HandleCaptureMessage(std::string_view json, const NativeHostSettings& settings) {
    const CaptureRequest request = ParseCaptureRequest(json);
    if (!request.ok) return ErrorReply(request.error);

    std::string gbk = PastedUtf8ToGbk(request.text);
    // The receiver reads the text up to its first zero byte; a stray NUL must not cut it short.
    gbk.erase(std::remove(gbk.begin(), gbk.end(), '\0'), gbk.end());
    if (gbk.size() >= kPageTextLimit) {
        return ErrorReply(Utf8(
            QStringLiteral("页面文本过大（%1 字节），Tallivo 最多接收 %2 字节，未交给 Tallivo。")
                .arg(gbk.size())
                .arg(kPageTextLimit - 1)));
    }
    // With its address when it has one; a copy that predates the address takes the page alone.
    std::uint32_t tag = kPageTextTag;
    if (!request.url.empty() && gbk.size() + request.url.size() + 1 < kPageTextLimit) {
        tag = kAddressedPageTag;
        gbk = JoinAddressedPage(request.url, gbk);
    }
    QByteArray text(gbk.data(), static_cast<qsizetype>(gbk.size()));

    HandoverClient client(settings.title);
    client.SetConnectRetry(0);
    HandoverOutcome outcome = client.Send(tag, text);
    if (outcome.status == HandoverOutcome::Status::kRefused && tag == kAddressedPageTag) {
        tag = kPageTextTag;
        text = text.mid(text.indexOf('\n') + 1);
        outcome = client.Send(tag, text);
    }
    if (outcome.status == HandoverOutcome::Status::kNoRunningCopy) {
        if (!QFileInfo(settings.program).isExecutable()) {
            return ErrorReply(
                Utf8(QStringLiteral("Tallivo 没有运行，也找不到程序 %1。").arg(settings.program)));
        }
        if (!LaunchDetached(settings.program)) {
            return ErrorReply(Utf8(QStringLiteral("无法启动 %1。").arg(settings.program)));
        }
        client.SetConnectRetry(settings.start_wait_ms);
        outcome = client.Send(tag, text);
        if (outcome.status == HandoverOutcome::Status::kNoRunningCopy) {
            return ErrorReply(Utf8(QStringLiteral("已启动 Tallivo，但它在 %1 秒内没有应答。")
                                       .arg(settings.start_wait_ms / 1000)));
        }
    }
    return outcome.handled() ? SuccessReply() : ErrorReply(Utf8(outcome.message));
}

int RunNativeHost(int in_fd, int out_fd, const NativeHostSettings& settings) {
    NativeMessageReader reader;
    std::string buffer(64 * 1024, '\0');
    for (;;) {
        const long got = ReadSome(in_fd, buffer.data(), static_cast<unsigned>(buffer.size()));
        if (got <= 0) return reader.InsideFrame() ? 1 : 0;
        std::string_view input(buffer.data(), static_cast<std::size_t>(got));
        while (!input.empty()) {
            switch (reader.Feed(input)) {
                case NativeMessageReader::State::kNeedMore:
                    break;
                case NativeMessageReader::State::kMessage:
                    if (!WriteAll(out_fd, EncodeNativeMessage(
                                              HandleCaptureMessage(reader.message(), settings)))) {
                        return 1;
                    }
                    break;
                case NativeMessageReader::State::kTooLarge:
                    WriteAll(out_fd, EncodeNativeMessage(ErrorReply(
                                         Utf8(QStringLiteral("消息超过 %1 字节，未交给 Tallivo。")
                                                  .arg(kNativeMessageLimit)))));
                    return 1;
            }
        }
    }
}

bool LaunchDetached(const QString& program) {
#ifdef Q_OS_WIN
    return QProcess::startDetached(program, {});
#else
    // Everything the children need is made before fork: after it only async-signal-safe calls.
    const QByteArray path = QFile::encodeName(program);
    char* const argv[] = {const_cast<char*>(path.constData()), nullptr};
    const pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) {
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild != 0) ::_exit(grandchild < 0 ? 1 : 0);
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(null, 2);
        }
        ::execv(path.constData(), argv);
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
#endif
}

}  // namespace tallivo::browser
