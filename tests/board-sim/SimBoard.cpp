#include "SimBoard.h"

#include <QDeadlineTimer>

#include <bit>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

QString SimBoard::program()
{
    return qEnvironmentVariable("SKYVANE_BIN_DIR") + "/board-sim";
}

SimBoard::SimBoard(const QStringList& arguments)
{
    m_process.setProgram(program());
    m_process.setArguments(arguments);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start();
    if (!m_process.waitForStarted(5000)) {
        m_error = "board-sim did not start: " + m_process.errorString();
        return;
    }
    QDeadlineTimer deadline(5000);
    while (!m_process.canReadLine() && !deadline.hasExpired() &&
           m_process.state() == QProcess::Running)
        m_process.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
    m_portPath = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    if (m_portPath.isEmpty()) {
        m_error = "board-sim printed no port path";
        return;
    }
    m_fd = ::open(m_portPath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_fd < 0) {
        m_error = "cannot open " + m_portPath;
        return;
    }
    termios tio{};
    tcgetattr(m_fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(m_fd, TCSANOW, &tio);
}

SimBoard::~SimBoard()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
}

void SimBoard::write(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (m_fd >= 0 && done < bytes.size()) {
        const ssize_t n =
            ::write(m_fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return;
        pollfd pfd{m_fd, POLLOUT, 0};
        ::poll(&pfd, 1, 100);
    }
}

QByteArray SimBoard::read(qsizetype count, int timeoutMs)
{
    QByteArray out;
    QDeadlineTimer deadline(timeoutMs);
    while (m_fd >= 0 && !m_ended && out.size() < count) {
        pollfd pfd{m_fd, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, static_cast<int>(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        char buffer[4096];
        const ssize_t n =
            ::read(m_fd, buffer,
                   static_cast<size_t>(std::min<qsizetype>(sizeof buffer, count - out.size())));
        if (n > 0)
            out.append(buffer, n);
        else if (n == 0 || (errno != EAGAIN && errno != EINTR))
            m_ended = true;
    }
    return out;
}

QByteArray SimBoard::readFor(int ms)
{
    return read(1 << 24, ms);
}

QByteArray SimBoard::ask(const QByteArray& bytes, qsizetype count, int timeoutMs)
{
    write(bytes);
    return read(count, timeoutMs);
}

int SimBoard::terminate(int timeoutMs)
{
    m_process.terminate();
    return waitForExit(timeoutMs);
}

int SimBoard::waitForExit(int timeoutMs)
{
    if (m_process.state() != QProcess::NotRunning && !m_process.waitForFinished(timeoutMs))
        return -1;
    if (m_process.exitStatus() != QProcess::NormalExit)
        return -1;
    return m_process.exitCode();
}

float floatAt(const QByteArray& bytes, qsizetype offset)
{
    std::uint32_t bits = 0;
    for (int i = 3; i >= 0; --i)
        bits = (bits << 8) | static_cast<std::uint8_t>(bytes.at(offset + i));
    return std::bit_cast<float>(bits);
}

QByteArray floatBytes(float value)
{
    const auto bits = std::bit_cast<std::uint32_t>(value);
    QByteArray out;
    for (int shift = 0; shift < 32; shift += 8)
        out.append(static_cast<char>((bits >> shift) & 0xFF));
    return out;
}
