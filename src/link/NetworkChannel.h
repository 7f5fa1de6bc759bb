#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTcpSocket>

// The port control's TCP side: a connection to "socket://HOST:PORT" carrying the board's bytes
// both ways as a serial line would. Serial line settings do not apply (the server sets its own
// line).
class NetworkChannel : public QObject
{
    Q_OBJECT
public:
    // How long an open waits for the server to accept.
    static constexpr int ConnectMs = 3000;

    explicit NetworkChannel(QObject* parent = nullptr);

    // Connects to the address named; throws PortError when the name is no address or the
    // server cannot be reached (a host that cannot be found names no port).
    void open(const QString& name);
    bool isOpen() const { return m_open; }
    // Ends the connection; never fails.
    void close();
    QByteArray readAll();
    // Hands the bytes to the connection; false (and why) when it refuses them.
    bool write(const QByteArray& bytes, QString& error);

signals:
    void readyRead();
    // The connection failed or the other side closed it; it is closed now.
    void lost(const QString& description);

private:
    void onGone();

    QTcpSocket m_socket;
    bool m_open = false;
};
