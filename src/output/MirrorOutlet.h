#pragma once

#include <QByteArray>
#include <QString>

// Where a raw mirror sends the board's bytes: a pseudo-terminal (Linux) or a local TCP server.
class MirrorOutlet
{
public:
    virtual ~MirrorOutlet() = default;
    // Passes the bytes on without blocking; returns how many of them went out (the rest is
    // dropped: a reader that falls behind, or none at all, never slows the program).
    virtual qint64 write(const QByteArray& bytes) = 0;
    // Bytes the readers wrote into the mirror (read and dropped, never sent to the board).
    virtual qint64 ignored() const = 0;
    // What a reader opens: the pseudo-terminal's device, or the server's address.
    virtual QString device() const = 0;
};
