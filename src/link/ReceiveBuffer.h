#pragma once

#include <QByteArray>

// The bytes received from the board and not yet consumed. The frame receiver cuts frames off
// its head; opening or closing the port, the stream toggle and the firmware download discard
// it; the bootloader reply wait reads the port into it while the frame receiver is stopped.
class ReceiveBuffer
{
public:
    void append(const QByteArray& bytes) { m_bytes.append(bytes); }
    // Forgets everything received so far.
    void discard() { m_bytes.clear(); }
    // Removes the first count bytes (a frame that was cut off).
    void consume(qsizetype count) { m_bytes.remove(0, count); }

    const QByteArray& bytes() const { return m_bytes; }
    qsizetype size() const { return m_bytes.size(); }
    bool isEmpty() const { return m_bytes.isEmpty(); }

private:
    QByteArray m_bytes;
};
