#include "PseudoTerminal.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

std::unique_ptr<PseudoTerminal> PseudoTerminal::open(QString& error)
{
    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        error = QStringLiteral("cannot open a pseudo-terminal: %1").arg(std::strerror(errno));
        return nullptr;
    }
    termios tio{};
    if (tcgetattr(slave, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(slave, TCSANOW, &tio);
    }
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);
    return std::unique_ptr<PseudoTerminal>(
        new PseudoTerminal(master, slave, QString::fromLocal8Bit(name)));
}

PseudoTerminal::PseudoTerminal(int master, int slave, QString slavePath)
    : m_master(master), m_slave(slave), m_slavePath(std::move(slavePath))
{}

PseudoTerminal::~PseudoTerminal()
{
    closeMaster();
    if (m_slave >= 0)
        ::close(m_slave);
}

int PseudoTerminal::unreadBySlave() const
{
    int count = 0;
    if (m_slave < 0 || ioctl(m_slave, FIONREAD, &count) != 0)
        return 0;
    return count;
}

void PseudoTerminal::discardUnread()
{
    if (m_slave >= 0)
        tcflush(m_slave, TCIFLUSH);
}

void PseudoTerminal::closeMaster()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}
