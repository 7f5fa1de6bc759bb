#include "TcpBridge.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

TcpBridge::TcpBridge(QString slavePath, QObject* parent)
    : QObject(parent), m_slavePath(std::move(slavePath))
{
    connect(&m_server, &QTcpServer::newConnection, this, &TcpBridge::onNewConnection);
}

TcpBridge::~TcpBridge()
{
    endClient();
}

bool TcpBridge::listen(quint16 port, QString& error)
{
    if (m_server.listen(QHostAddress::LocalHost, port))
        return true;
    error =
        QStringLiteral("cannot listen on TCP port %1: %2").arg(port).arg(m_server.errorString());
    return false;
}

void TcpBridge::onNewConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        if (m_client) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        const int fd = ::open(QFile::encodeName(m_slavePath).constData(),
                              O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        // A new client starts clean, as a freshly opened port: what the board said while nobody
        // listened is gone.
        tcflush(fd, TCIFLUSH);
        m_fd = fd;
        m_client = socket;
        m_client->setParent(this);
        m_client->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_readable = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
        connect(m_readable.get(), &QSocketNotifier::activated, this, &TcpBridge::fromBoard);
        connect(m_client, &QTcpSocket::readyRead, this, &TcpBridge::toBoard);
        connect(m_client, &QTcpSocket::disconnected, this, &TcpBridge::endClient);
    }
}

void TcpBridge::endClient()
{
    m_readable.reset();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_client)
        return;
    QTcpSocket* client = std::exchange(m_client, nullptr);
    client->disconnect(this);
    client->abort();
    client->deleteLater();
}

void TcpBridge::fromBoard()
{
    char buffer[4096];
    for (;;) {
        const ssize_t count = ::read(m_fd, buffer, sizeof buffer);
        if (count > 0) {
            m_client->write(buffer, count);
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && errno == EAGAIN)
            break;
        // The board ended the line (its side of the pseudo-terminal is closed).
        m_client->flush();
        endClient();
        return;
    }
    m_client->flush();
}

void TcpBridge::toBoard()
{
    const QByteArray bytes = m_client->readAll();
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t count = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (count < 0 && errno == EINTR)
            continue;
        // The board reads what the program sends as it comes: a full line only happens when the
        // board has stopped reading, and then the bytes are lost as on a real line.
        if (count <= 0)
            return;
        done += count;
    }
}
