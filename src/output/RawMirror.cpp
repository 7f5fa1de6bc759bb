#include "output/RawMirror.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

RawMirror::RawMirror(Report report, QObject* parent) : QObject(parent), m_report(std::move(report))
{}

RawMirror::~RawMirror()
{
    close();
}

bool RawMirror::open(const QString& linkPath)
{
    close();
    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        m_report(
            QStringLiteral("Mirror refused: cannot open a pseudo-terminal: %1").arg(systemError()));
        return false;
    }
    // Raw: every byte passes as it is (no echo, no line editing, no CR LF for LF).
    termios tio{};
    if (tcgetattr(slave, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(slave, TCSANOW, &tio);
    }
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);
    m_devicePath = QString::fromLocal8Bit(name);
    QString error;
    if (!makeLink(linkPath, error)) {
        ::close(master);
        ::close(slave);
        m_devicePath.clear();
        m_report(QStringLiteral("Mirror refused: %1").arg(error));
        return false;
    }
    // The slave stays open here too, so the reader's own open and close never hang up the
    // master, and its backlog can be measured.
    m_master = master;
    m_slave = slave;
    m_mirrored = 0;
    m_dropped = 0;
    m_ignored = 0;
    m_input = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
    connect(m_input.get(), &QSocketNotifier::activated, this, &RawMirror::drainInput);
    m_report(QStringLiteral("Mirroring the port at %1 (%2).").arg(m_linkPath, m_devicePath));
    return true;
}

void RawMirror::close()
{
    if (!isOpen())
        return;
    m_input.reset();
    removeLink();
    ::close(m_master);
    ::close(m_slave);
    m_master = -1;
    m_slave = -1;
    m_report(QStringLiteral("Mirror %1 closed: %2 bytes mirrored, %3 dropped.")
                 .arg(m_linkPath)
                 .arg(m_mirrored)
                 .arg(m_dropped));
}

void RawMirror::write(const QByteArray& bytes)
{
    if (!isOpen() || bytes.isEmpty())
        return;
    int unread = 0;
    if (ioctl(m_slave, FIONREAD, &unread) != 0)
        unread = 0;
    const qsizetype room = qMax(0, BacklogBytes - unread);
    const qsizetype wanted = qMin(room, bytes.size());
    ssize_t written = 0;
    if (wanted > 0) {
        written = ::write(m_master, bytes.constData(), size_t(wanted));
        if (written < 0)
            written = 0;
    }
    m_mirrored += written;
    m_dropped += bytes.size() - written;
}

void RawMirror::drainInput()
{
    char buffer[4096];
    for (;;) {
        const ssize_t count = ::read(m_master, buffer, sizeof buffer);
        if (count > 0) {
            m_ignored += count;
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        // Nothing more for now (EAGAIN); an error other than that cannot come while the slave
        // is held open here, and would only repeat: stop listening then.
        if (count == 0 || errno != EAGAIN)
            m_input->setEnabled(false);
        return;
    }
}

bool RawMirror::makeLink(const QString& path, QString& error)
{
    const QFileInfo existing(path);
    if (existing.isSymLink()) {
        if (existing.exists()) {
            error = QStringLiteral("%1 is a link to %2, which is there; remove it first")
                        .arg(path, existing.symLinkTarget());
            return false;
        }
    } else if (existing.exists()) {
        error = QStringLiteral("%1 exists and is not a symbolic link").arg(path);
        return false;
    }
    // Made under a temporary name and renamed over a stale link, so the path never names
    // something half made.
    const QByteArray finalName = QFile::encodeName(path);
    const QByteArray tempName = finalName + ".skyvane." + QByteArray::number(getpid());
    ::unlink(tempName.constData());
    if (::symlink(QFile::encodeName(m_devicePath).constData(), tempName.constData()) != 0 ||
        std::rename(tempName.constData(), finalName.constData()) != 0) {
        error = QStringLiteral("cannot make the link %1: %2").arg(path, systemError());
        ::unlink(tempName.constData());
        return false;
    }
    m_linkPath = path;
    return true;
}

void RawMirror::removeLink()
{
    const QByteArray name = QFile::encodeName(m_linkPath);
    char target[4096] = {};
    const ssize_t length = ::readlink(name.constData(), target, sizeof target - 1);
    // Only a link that still points here: another program may have put its own in its place.
    if (length > 0 && QFile::decodeName(QByteArray(target, length)) == m_devicePath)
        ::unlink(name.constData());
}
