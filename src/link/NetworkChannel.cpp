#include "link/NetworkChannel.h"

#include "link/NetworkPort.h"
#include "link/SerialControl.h"

NetworkChannel::NetworkChannel(QObject* parent) : QObject(parent)
{
    m_socket.setReadBufferSize(0);
    connect(&m_socket, &QTcpSocket::readyRead, this, &NetworkChannel::readyRead);
    connect(&m_socket, &QTcpSocket::disconnected, this, &NetworkChannel::onGone);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &NetworkChannel::onGone);
}

void NetworkChannel::open(const QString& name)
{
    close();
    const NetworkPort address = ParseNetworkPortName(name);
    if (!address.ok)
        throw PortError{PortError::Other, address.error};
    m_socket.connectToHost(address.host, address.port);
    // The open waits in place as a serial open does: a nested event loop here would let the
    // reconnection timer or a click open the port again in the middle of this open.
    if (!m_socket.waitForConnected(ConnectMs)) {
        const QAbstractSocket::SocketError error = m_socket.error();
        const QString reason = error == QAbstractSocket::SocketTimeoutError
                                   ? QStringLiteral("no answer within %1 s").arg(ConnectMs / 1000)
                                   : m_socket.errorString();
        m_socket.abort();
        if (error == QAbstractSocket::HostNotFoundError)
            throw PortError{PortError::InvalidPortNumber,
                            QStringLiteral("Invalid port number: %1: %2").arg(name, reason)};
        throw PortError{PortError::Other,
                        QStringLiteral("Cannot connect to %1: %2").arg(name, reason)};
    }
    // One-byte commands go out at once instead of waiting to be gathered with the next.
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_open = true;
}

void NetworkChannel::close()
{
    m_open = false;
    m_socket.abort();
}

QByteArray NetworkChannel::readAll()
{
    return m_open ? m_socket.readAll() : QByteArray();
}

bool NetworkChannel::write(const QByteArray& bytes, QString& error)
{
    if (!m_open)
        return false;
    if (m_socket.write(bytes) != bytes.size()) {
        error = m_socket.errorString();
        return false;
    }
    // What the system takes at once leaves now; the rest when the socket can take more.
    m_socket.flush();
    return true;
}

void NetworkChannel::onGone()
{
    if (!m_open)
        return;
    m_open = false;
    const QString description = m_socket.error() == QAbstractSocket::RemoteHostClosedError ||
                                        m_socket.error() == QAbstractSocket::UnknownSocketError
                                    ? QStringLiteral("the other side closed the connection")
                                    : m_socket.errorString();
    m_socket.abort();
    emit lost(description);
}
