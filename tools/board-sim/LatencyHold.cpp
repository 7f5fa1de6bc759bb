#include "LatencyHold.h"

#include "WireChannel.h"

LatencyHold::LatencyHold(WireChannel& wire, int latencyMs, QObject* parent)
    : QObject(parent), m_wire(wire), m_latencyMs(latencyMs)
{
    m_gap.setSingleShot(true);
    m_gap.setTimerType(Qt::PreciseTimer);
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_gap, &QTimer::timeout, this, [this] {
        m_gapRunning = false;
        arrive(m_pieces.dequeue().bytes);
        takeNext();
    });
    connect(&m_timer, &QTimer::timeout, this, &LatencyHold::flush);
}

void LatencyHold::send(const QByteArray& bytes, int gapMs)
{
    if (m_latencyMs <= 0) {
        m_wire.send(bytes, gapMs);
        return;
    }
    m_pieces.enqueue({bytes, gapMs});
    takeNext();
}

bool LatencyHold::idle() const
{
    return m_pieces.isEmpty() && m_held.isEmpty();
}

void LatencyHold::takeNext()
{
    // The pieces reach the adapter in order, each after its gap.
    while (!m_gapRunning && !m_pieces.isEmpty()) {
        if (m_pieces.head().gapMs > 0) {
            m_gapRunning = true;
            m_gap.start(m_pieces.head().gapMs);
            return;
        }
        arrive(m_pieces.dequeue().bytes);
    }
}

void LatencyHold::arrive(const QByteArray& bytes)
{
    m_held += bytes;
    while (m_held.size() >= PacketBytes) {
        m_wire.send(m_held.left(PacketBytes));
        m_held.remove(0, PacketBytes);
        // A packet sent starts the timer afresh.
        m_timer.stop();
    }
    if (!m_held.isEmpty() && !m_timer.isActive())
        m_timer.start(m_latencyMs);
}

void LatencyHold::flush()
{
    if (m_held.isEmpty())
        return;
    m_wire.send(m_held);
    m_held.clear();
}
