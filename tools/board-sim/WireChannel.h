#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QQueue>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdint>

class PseudoTerminal;

// The board's end of the serial line: reads what the program sends and writes the board's
// output in order, each piece after its gap. With a baud rate set, both directions take the
// wire time of a real line (10 bit times per byte): output is held back by its wire time, and
// input is taken from the line no faster than it could have arrived.
class WireChannel : public QObject
{
    Q_OBJECT
public:
    // `baud` 0: no wire time. Output is dropped once the program has left more than
    // `readerBacklog` bytes unread (0: never).
    WireChannel(PseudoTerminal& pty, int baud, int readerBacklog, QObject* parent = nullptr);

    void send(const QByteArray& bytes, int gapMs = 0);
    // Nothing queued, waiting or half written.
    bool outputIdle() const;
    void stopReading();

signals:
    void received(const QByteArray& bytes);
    // The line failed on the board's side.
    void lost();

private:
    struct Pending
    {
        QByteArray bytes;
        int gapMs = 0;
    };

    void onReadable();
    void onInputDue();
    void pumpOutput();
    void onOutputDue();
    void writeCurrent();
    std::int64_t wireMicros(qsizetype bytes) const;
    std::int64_t nowMicros() const;
    static int delayMs(std::int64_t micros);

    PseudoTerminal& m_pty;
    int m_baud;
    int m_readerBacklog;
    QElapsedTimer m_clock;
    QSocketNotifier m_readNotifier;
    QSocketNotifier m_writeNotifier;

    QByteArray m_inputHeld;
    std::int64_t m_inputFreeAt = 0;
    QTimer m_inputTimer;

    QQueue<Pending> m_queue;
    QByteArray m_current;
    qsizetype m_currentWritten = 0;
    bool m_waiting = false;
    std::int64_t m_outputFreeAt = 0;
    QTimer m_outputTimer;
};
