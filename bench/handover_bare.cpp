// The yardstick for the hand-over's own start: a bare QCoreApplication that connects to the
// running copy's local socket, sends a second start's record for "From Web Page" and waits for
// the answer. usage: handover_bare SOCKET_PATH
#include <QCoreApplication>
#include <QLocalSocket>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) return 2;
    const QByteArray text("From Web Page", 14);  // with its zero byte
    QByteArray record("\x78\x5A\x34\x12", 4);
    const quint32 length = quint32(text.size());
    for (int shift = 0; shift < 32; shift += 8) record += char((length >> shift) & 0xff);
    record += text;
    QLocalSocket socket;
    socket.connectToServer(QString::fromLocal8Bit(argv[1]));
    if (!socket.waitForConnected(5000)) return 1;
    socket.write(record);
    if (!socket.waitForBytesWritten(5000)) return 1;
    if (!socket.waitForReadyRead(30000)) return 1;
    return socket.read(1) == QByteArray(1, '\x01') ? 0 : 1;
}
