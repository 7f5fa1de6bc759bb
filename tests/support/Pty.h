#pragma once

#include <QByteArray>
#include <QString>

// A pseudo-terminal pair: the program opens slavePath() as its serial port, the test plays
// the board on the master side.
class Pty
{
public:
    Pty();
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    QString slavePath() const { return m_slavePath; }
    // Everything the program has written so far (non-blocking).
    QByteArray readAvailable();
    // Waits, handling events, until count bytes have come or timeoutMs has passed, and returns
    // what came.
    QByteArray read(qsizetype count, int timeoutMs = 5000);
    void write(const QByteArray& bytes);
    // Closes the master side: the program sees its peer vanish.
    void closeMaster();

private:
    int m_master = -1;
    int m_slaveKeep = -1;
    QString m_slavePath;
};
