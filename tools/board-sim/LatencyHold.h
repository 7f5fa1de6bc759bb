#pragma once

#include <QByteArray>
#include <QObject>
#include <QQueue>
#include <QTimer>

class WireChannel;

// The board's output as a USB serial adapter with a latency timer hands it to the computer: a
// full packet (62 bytes of data) goes at once, a rest waits until the timer runs out, latencyMs
// after the last packet went or the first byte of the rest came. An FTDI adapter's default of
// 16 ms makes every short reply wait up to 16 ms. With 0 the output goes straight on.
class LatencyHold : public QObject
{
    Q_OBJECT
public:
    static constexpr int PacketBytes = 62;

    LatencyHold(WireChannel& wire, int latencyMs, QObject* parent = nullptr);

    // A piece of output, gapMs after the piece before it reached the adapter.
    void send(const QByteArray& bytes, int gapMs = 0);
    // Nothing held or waiting for its gap.
    bool idle() const;

private:
    struct Piece
    {
        QByteArray bytes;
        int gapMs = 0;
    };

    void takeNext();
    void arrive(const QByteArray& bytes);
    void flush();

    WireChannel& m_wire;
    int m_latencyMs;
    QQueue<Piece> m_pieces;
    bool m_gapRunning = false;
    QTimer m_gap;
    QByteArray m_held;
    QTimer m_timer;
};
