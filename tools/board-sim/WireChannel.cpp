#include "WireChannel.h"

#include "PseudoTerminal.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>
#include <utility>

namespace {

// With a baud rate, input is taken in slices of about this many microseconds of wire time.
constexpr std::int64_t InputSliceMicros = 5000;
// How late a slice's timer may fire and the next slice still count as following it directly.
constexpr std::int64_t InputLatenessMicros = 2000;

} // namespace

WireChannel::WireChannel(PseudoTerminal& pty, int baud, int readerBacklog, QObject* parent)
    : QObject(parent), m_pty(pty), m_baud(baud), m_readerBacklog(readerBacklog),
      m_readNotifier(pty.masterFd(), QSocketNotifier::Read),
      m_writeNotifier(pty.masterFd(), QSocketNotifier::Write)
{
    m_clock.start();
    m_writeNotifier.setEnabled(false);
    m_inputTimer.setSingleShot(true);
    m_inputTimer.setTimerType(Qt::PreciseTimer);
    m_outputTimer.setSingleShot(true);
    m_outputTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_readNotifier, &QSocketNotifier::activated, this, &WireChannel::onReadable);
    connect(&m_writeNotifier, &QSocketNotifier::activated, this, [this] {
        writeCurrent();
        pumpOutput();
    });
    connect(&m_inputTimer, &QTimer::timeout, this, &WireChannel::onInputDue);
    connect(&m_outputTimer, &QTimer::timeout, this, &WireChannel::onOutputDue);
}

std::int64_t WireChannel::nowMicros() const
{
    return m_clock.nsecsElapsed() / 1000;
}

std::int64_t WireChannel::wireMicros(qsizetype bytes) const
{
    if (m_baud <= 0)
        return 0;
    return static_cast<std::int64_t>(bytes) * 10 * 1000000 / m_baud;
}

// Timers count whole milliseconds; rounding to the nearest keeps the error of many short waits
// from adding up in one direction.
int WireChannel::delayMs(std::int64_t micros)
{
    return static_cast<int>(std::max<std::int64_t>(0, (micros + 500) / 1000));
}

void WireChannel::stopReading()
{
    m_readNotifier.setEnabled(false);
    m_inputTimer.stop();
    m_inputHeld.clear();
}

void WireChannel::onReadable()
{
    if (m_pty.masterFd() < 0)
        return;
    char buffer[4096];
    qsizetype limit = sizeof buffer;
    if (m_baud > 0)
        limit = std::clamp<qsizetype>(m_baud / 10 * InputSliceMicros / 1000000, 1, limit);
    const ssize_t count = ::read(m_pty.masterFd(), buffer, static_cast<size_t>(limit));
    if (count < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (count <= 0) {
        m_readNotifier.setEnabled(false);
        emit lost();
        return;
    }
    const QByteArray bytes(buffer, count);
    if (m_baud <= 0) {
        emit received(bytes);
        return;
    }
    // The slice counts as received once its wire time has passed; until then the line is not
    // read further. A slice read right after the previous one was already waiting on the line:
    // it follows that one without a gap, whatever the timer's lateness.
    m_inputHeld = bytes;
    const std::int64_t now = nowMicros();
    const bool backToBack = now - m_inputFreeAt < InputLatenessMicros;
    m_inputFreeAt = (backToBack ? m_inputFreeAt : now) + wireMicros(count);
    m_readNotifier.setEnabled(false);
    m_inputTimer.start(delayMs(m_inputFreeAt - nowMicros()));
}

void WireChannel::onInputDue()
{
    const QByteArray bytes = std::exchange(m_inputHeld, {});
    m_readNotifier.setEnabled(true);
    emit received(bytes);
}

void WireChannel::send(const QByteArray& bytes, int gapMs)
{
    if (bytes.isEmpty() && gapMs <= 0)
        return;
    m_queue.enqueue({bytes, gapMs});
    pumpOutput();
}

bool WireChannel::outputIdle() const
{
    return m_queue.isEmpty() && m_current.isEmpty() && !m_waiting;
}

void WireChannel::pumpOutput()
{
    while (!m_waiting && m_current.isEmpty() && !m_queue.isEmpty()) {
        const Pending next = m_queue.dequeue();
        const std::int64_t now = nowMicros();
        const std::int64_t start =
            std::max(m_outputFreeAt, now) + static_cast<std::int64_t>(next.gapMs) * 1000;
        m_outputFreeAt = start + wireMicros(next.bytes.size());
        m_current = next.bytes;
        m_currentWritten = 0;
        if (m_outputFreeAt > now) {
            m_waiting = true;
            m_outputTimer.start(delayMs(m_outputFreeAt - now));
            return;
        }
        writeCurrent();
    }
}

void WireChannel::onOutputDue()
{
    m_waiting = false;
    writeCurrent();
    pumpOutput();
}

void WireChannel::writeCurrent()
{
    if (m_pty.masterFd() < 0) {
        m_current.clear();
        m_writeNotifier.setEnabled(false);
        return;
    }
    if (m_currentWritten == 0) {
        // Nobody has read for a long while: the bytes are lost as on an unheard line, so the
        // program never gets a pile of stale frames when it opens the port again.
        const int unread = m_pty.unreadBySlave();
        if (m_readerBacklog > 0 && unread > 0 && unread + m_current.size() > m_readerBacklog)
            m_pty.discardUnread();
    }
    while (m_currentWritten < m_current.size()) {
        const ssize_t count = ::write(m_pty.masterFd(), m_current.constData() + m_currentWritten,
                                      static_cast<size_t>(m_current.size() - m_currentWritten));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && errno == EAGAIN) {
            m_writeNotifier.setEnabled(true);
            return;
        }
        if (count <= 0) {
            m_current.clear();
            m_writeNotifier.setEnabled(false);
            emit lost();
            return;
        }
        m_currentWritten += count;
    }
    m_current.clear();
    m_currentWritten = 0;
    m_writeNotifier.setEnabled(false);
}
