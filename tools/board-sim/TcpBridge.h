#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>

// The board on a TCP port as a serial device server offers it: one client at a time, its bytes
// carried both ways to the board's pseudo-terminal as if the client had opened the port. A
// second client is turned away while one is connected. When the board ends the line, the
// client's connection is closed.
class TcpBridge : public QObject
{
    Q_OBJECT
public:
    TcpBridge(QString slavePath, QObject* parent = nullptr);
    ~TcpBridge() override;

    // Listens on 127.0.0.1; false, with the reason in `error`, when the port cannot be had.
    bool listen(quint16 port, QString& error);
    quint16 port() const { return m_server.serverPort(); }

private:
    void onNewConnection();
    void endClient();
    void fromBoard();
    void toBoard();

    QString m_slavePath;
    QTcpServer m_server;
    QTcpSocket* m_client = nullptr;
    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_readable;
};
