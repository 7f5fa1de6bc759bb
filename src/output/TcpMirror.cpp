#include "output/TcpMirror.h"

#include <QHostAddress>

namespace {
const QLatin1String kPrefix("tcp:");
}

bool TcpMirror::isTcpTarget(const QString& target)
{
    return target.trimmed().startsWith(kPrefix, Qt::CaseInsensitive);
}

TcpMirror::TcpMirror(int backlogBytes, Report report)
    : m_backlog(backlogBytes), m_report(std::move(report))
{
    connect(&m_server, &QTcpServer::newConnection, this, &TcpMirror::onNewConnection);
}

std::unique_ptr<TcpMirror> TcpMirror::open(const QString& target, int backlogBytes, Report report,
                                           QString& error)
{
    const QString rest = target.trimmed().mid(kPrefix.size());
    const qsizetype colon = rest.lastIndexOf(QLatin1Char(':'));
    QString host = colon < 0 ? QStringLiteral("127.0.0.1") : rest.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    bool ok = false;
    const int port = rest.mid(colon + 1).toInt(&ok);
    const QHostAddress address(host);
    if (!ok || port < 0 || port > 65535 || address.isNull()) {
        error = QStringLiteral("%1 is no TCP port to mirror to: write tcp:PORT, or "
                               "tcp:ADDRESS:PORT with a numeric address")
                    .arg(target);
        return {};
    }
    std::unique_ptr<TcpMirror> mirror(new TcpMirror(backlogBytes, std::move(report)));
    if (!mirror->m_server.listen(address, quint16(port))) {
        error =
            QStringLiteral("cannot listen on %1: %2").arg(target, mirror->m_server.errorString());
        return {};
    }
    return mirror;
}

QString TcpMirror::device() const
{
    const QHostAddress address = m_server.serverAddress();
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QLatin1Char('[') + address.toString() + QLatin1Char(']')
                             : address.toString();
    return host + QLatin1Char(':') + QString::number(m_server.serverPort());
}

void TcpMirror::onNewConnection()
{
    while (QTcpSocket* client = m_server.nextPendingConnection()) {
        client->setParent(this);
        client->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        const QString peer = client->peerAddress().toString() + QLatin1Char(':') +
                             QString::number(client->peerPort());
        m_clients.append(client);
        m_report(QStringLiteral("Mirror %1: %2 connected.").arg(device(), peer));
        connect(client, &QTcpSocket::readyRead, this,
                [this, client] { m_ignored += client->readAll().size(); });
        connect(client, &QTcpSocket::disconnected, this, [this, client, peer] {
            m_clients.removeOne(client);
            client->deleteLater();
            m_report(QStringLiteral("Mirror %1: %2 disconnected.").arg(device(), peer));
        });
    }
}

qint64 TcpMirror::write(const QByteArray& bytes)
{
    bool taken = false;
    for (QTcpSocket* client : std::as_const(m_clients)) {
        if (client->bytesToWrite() + bytes.size() > m_backlog)
            continue;
        client->write(bytes);
        // Out now, as a pseudo-terminal passes them, not at the next turn of the event loop.
        client->flush();
        taken = true;
    }
    return taken ? bytes.size() : 0;
}
