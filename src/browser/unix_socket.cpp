#include "browser/unix_socket.h"

#ifdef Q_OS_UNIX
#include <poll.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstring>

namespace tallivo::browser {

void OwnedSocket::Close() {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

bool SocketAddress(const QString& path, sockaddr_un* address) {
    const QByteArray bytes = QFile::encodeName(path);
    *address = sockaddr_un{};
    address->sun_family = AF_UNIX;
    if (bytes.isEmpty() || size_t(bytes.size()) >= sizeof address->sun_path) return false;
    std::memcpy(address->sun_path, bytes.constData(), size_t(bytes.size()));
    return true;
}

int NewStreamSocket() {
    return ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
}

int ConnectSocket(int fd, const sockaddr_un& address, int waitMs) {
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return 0;
    if (errno != EINPROGRESS) return errno;
    if (!WaitForSocket(fd, POLLOUT, QDeadlineTimer(waitMs))) return ETIMEDOUT;
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return errno;
    return error;
}

bool WaitForSocket(int fd, short events, const QDeadlineTimer& deadline) {
    for (;;) {
        pollfd entry{fd, events, 0};
        const qint64 left = deadline.remainingTime();
        const int ready = ::poll(&entry, 1, left < 0 ? -1 : int(qMin<qint64>(left, 1 << 30)));
        if (ready > 0) return (entry.revents & (events | POLLHUP)) != 0;
        if (ready == 0 || errno != EINTR) return false;
    }
}

bool PeerIsThisUser(int fd) {
#ifdef SO_PEERCRED
    ucred peer{};
    socklen_t length = sizeof peer;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 && peer.uid == ::getuid();
#else
    uid_t uid = 0;
    gid_t gid = 0;
    return ::getpeereid(fd, &uid, &gid) == 0 && uid == ::getuid();
#endif
}

}  // namespace tallivo::browser

#endif
