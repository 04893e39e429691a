// The few system calls the single-instance channel makes on Unix-domain sockets, shared by the
// running copy's end and the second start's end.
#pragma once

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <sys/un.h>

#include <QDeadlineTimer>
#include <QString>

namespace tallivo::browser {

struct OwnedSocket {
    int fd = -1;
    OwnedSocket() = default;
    explicit OwnedSocket(int descriptor) : fd(descriptor) {}
    OwnedSocket(const OwnedSocket&) = delete;
    OwnedSocket& operator=(const OwnedSocket&) = delete;
    ~OwnedSocket() { Close(); }
    void Close();
};

// False when the path does not fit a socket address.
bool SocketAddress(const QString& path, sockaddr_un* address);

// A new non-blocking stream socket, or -1 with errno set.
int NewStreamSocket();

// 0 when connected within `waitMs`, else the error (ENOENT or ECONNREFUSED: nobody listens).
int ConnectSocket(int fd, const sockaddr_un& address, int waitMs);

// Until one of `events` or the deadline; false when the time is up or the socket failed.
bool WaitForSocket(int fd, short events, const QDeadlineTimer& deadline);

// Whether the process at the other end runs as this user.
bool PeerIsThisUser(int fd);

}  // namespace tallivo::browser

#endif
