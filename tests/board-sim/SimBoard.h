#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// A running board-sim with the test connected to its pseudo-terminal, as the program would
// be. Reads wait in poll() until bytes arrive or the time is up.
class SimBoard
{
public:
    explicit SimBoard(const QStringList& arguments);
    ~SimBoard();
    SimBoard(const SimBoard&) = delete;
    SimBoard& operator=(const SimBoard&) = delete;

    static QString program();

    // Empty when the board did not start or the port could not be opened.
    QString error() const { return m_error; }
    QString portPath() const { return m_portPath; }

    void write(const QByteArray& bytes);
    // Reads until `count` bytes have come or `timeoutMs` passed.
    QByteArray read(qsizetype count, int timeoutMs = 2000);
    // Reads everything that arrives within `ms`.
    QByteArray readFor(int ms);
    // write() then read(count).
    QByteArray ask(const QByteArray& bytes, qsizetype count, int timeoutMs = 2000);
    // True once a read has met the end of the link (EOF or EIO).
    bool linkEnded() const { return m_ended; }

    // SIGTERM, then the exit code (-1 when it did not end normally within the time).
    int terminate(int timeoutMs = 3000);
    // Waits for the board to end on its own; the exit code or -1.
    int waitForExit(int timeoutMs = 3000);

private:
    QProcess m_process;
    QString m_error;
    QString m_portPath;
    int m_fd = -1;
    bool m_ended = false;
};

// The float at byte `offset` of `bytes`, little-endian binary32.
float floatAt(const QByteArray& bytes, qsizetype offset);
QByteArray floatBytes(float value);
