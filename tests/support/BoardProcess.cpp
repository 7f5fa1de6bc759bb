#include "support/BoardProcess.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

BoardProcess::BoardProcess(const QStringList& arguments, int options)
{
    start(arguments, options);
}

BoardProcess::~BoardProcess()
{
    if (m_fd >= 0)
        ::close(m_fd);
    kill();
}

QString BoardProcess::program()
{
    return qEnvironmentVariable("SKYVANE_BIN_DIR") + QStringLiteral("/board-sim");
}

bool BoardProcess::start(const QStringList& arguments, int options, const QString& program)
{
    m_process.setProcessChannelMode((options & ShowErrors) ? QProcess::ForwardedErrorChannel
                                                           : QProcess::SeparateChannels);
    if (!(options & ShowErrors))
        m_process.setStandardErrorFile(QProcess::nullDevice());
    m_process.start(program, arguments);
    // Generous bounds: each wait ends as soon as the board is there, and a sanitized board on
    // a loaded machine takes seconds to start.
    if (!m_process.waitForStarted(30000)) {
        m_error = QStringLiteral("%1 did not start: %2").arg(program, m_process.errorString());
        return false;
    }
    // The first line of the board's output is the path of its pseudo-terminal.
    const QDeadlineTimer deadline(30000);
    while (!m_process.canReadLine() && !deadline.hasExpired() &&
           m_process.state() == QProcess::Running) {
        if (!m_process.waitForReadyRead(int(deadline.remainingTime())))
            break;
    }
    m_portPath = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    if (m_portPath.isEmpty()) {
        m_error = QStringLiteral("%1 printed no port path").arg(program);
        kill();
        return false;
    }
    // With --tcp the next line is the board's network address.
    if (arguments.contains(QStringLiteral("--tcp"))) {
        while (!m_process.canReadLine() && !deadline.hasExpired() &&
               m_process.state() == QProcess::Running) {
            if (!m_process.waitForReadyRead(int(deadline.remainingTime())))
                break;
        }
        m_networkPort = QString::fromLocal8Bit(m_process.readLine()).trimmed();
        if (!m_networkPort.startsWith(QLatin1String("socket://"))) {
            m_error = QStringLiteral("%1 printed no network address").arg(program);
            kill();
            return false;
        }
    }
    return !(options & OpenPort) || openPort();
}

bool BoardProcess::openPort()
{
    m_fd = ::open(m_portPath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_fd < 0) {
        m_error = QStringLiteral("cannot open ") + m_portPath;
        return false;
    }
    termios tio{};
    tcgetattr(m_fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(m_fd, TCSANOW, &tio);
    return true;
}

void BoardProcess::write(const QByteArray& bytes)
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

QByteArray BoardProcess::read(qsizetype count, int timeoutMs)
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

QByteArray BoardProcess::readFor(int ms)
{
    return read(1 << 24, ms);
}

QByteArray BoardProcess::ask(const QByteArray& bytes, qsizetype count, int timeoutMs)
{
    write(bytes);
    return read(count, timeoutMs);
}

int BoardProcess::waitForExit(int timeoutMs)
{
    if (m_process.state() != QProcess::NotRunning && !m_process.waitForFinished(timeoutMs))
        return -1;
    if (m_process.exitStatus() != QProcess::NormalExit)
        return -1;
    return m_process.exitCode();
}

int BoardProcess::terminate(int timeoutMs)
{
    m_process.terminate();
    return waitForExit(timeoutMs);
}

void BoardProcess::kill()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}
