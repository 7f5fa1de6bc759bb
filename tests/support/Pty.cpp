#include "support/Pty.h"

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

Pty::Pty()
{
    char name[256] = {};
    int slave = -1;
    if (openpty(&m_master, &slave, name, nullptr, nullptr) != 0)
        return;
    termios tio{};
    tcgetattr(slave, &tio);
    cfmakeraw(&tio);
    tcsetattr(slave, TCSANOW, &tio);
    // Keeping a slave descriptor open stops the master from seeing hang-ups between the
    // program's open and close; closeMaster() is the explicit way to end the link.
    m_slaveKeep = slave;
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_slavePath = QString::fromLocal8Bit(name);
}

Pty::~Pty()
{
    closeMaster();
    if (m_slaveKeep >= 0)
        ::close(m_slaveKeep);
}

QByteArray Pty::readAvailable()
{
    QByteArray out;
    if (m_master < 0)
        return out;
    char buf[4096];
    for (;;) {
        ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n <= 0)
            break;
        out.append(buf, n);
    }
    return out;
}

QByteArray Pty::read(qsizetype count, int timeoutMs)
{
    QByteArray got = readAvailable();
    if (m_master < 0 || got.size() >= count)
        return got;
    // Sleeps until the master side has bytes or the time is up; the program's events run
    // meanwhile, so it can write what it queued.
    QEventLoop loop;
    QSocketNotifier readable(m_master, QSocketNotifier::Read);
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&readable, &QSocketNotifier::activated, &loop, [&] {
        got += readAvailable();
        if (got.size() >= count)
            loop.quit();
    });
    deadline.start(timeoutMs);
    loop.exec();
    return got;
}

void Pty::write(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (m_master >= 0 && done < bytes.size()) {
        ssize_t n = ::write(m_master, bytes.constData() + done, bytes.size() - done);
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            break;
        if (n > 0)
            done += n;
    }
}

void Pty::closeMaster()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}
