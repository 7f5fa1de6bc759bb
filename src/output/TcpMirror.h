#pragma once

#include "output/MirrorOutlet.h"

#include <QList>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>
#include <memory>

// The mirror as a TCP server: every connected client gets every byte the board sends from the
// moment it connects (pyserial opens it as socket://127.0.0.1:PORT). A client whose unsent
// backlog would pass the mirror's backlog loses those bytes, alone; what clients send is read
// and dropped.
class TcpMirror : public QObject, public MirrorOutlet
{
    Q_OBJECT
public:
    using Report = std::function<void(const QString&)>;

    // The target "tcp:PORT" listens on 127.0.0.1 only; "tcp:ADDRESS:PORT" on that address
    // ("tcp:0.0.0.0:5760" for every network, "tcp:[::1]:5760"). Null, with the reason in
    // `error`, when the target is none or the port cannot be had.
    static std::unique_ptr<TcpMirror> open(const QString& target, int backlogBytes, Report report,
                                           QString& error);
    static bool isTcpTarget(const QString& target);

    qint64 write(const QByteArray& bytes) override;
    qint64 ignored() const override { return m_ignored; }
    QString device() const override;
    int clientCount() const { return int(m_clients.size()); }

private:
    TcpMirror(int backlogBytes, Report report);
    void onNewConnection();

    QTcpServer m_server;
    QList<QTcpSocket*> m_clients;
    int m_backlog;
    Report m_report;
    qint64 m_ignored = 0;
};
