#pragma once

#include <QByteArray>
#include <QTcpSocket>

// Reads from a socket until it has count bytes, or until 5 s pass without any.
inline QByteArray readFrom(QTcpSocket& socket, qsizetype count)
{
    QByteArray got;
    while (got.size() < count && (socket.bytesAvailable() > 0 || socket.waitForReadyRead(5000)))
        got += socket.readAll();
    return got;
}
