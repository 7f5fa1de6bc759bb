#include "output/PtyMirror.h"

#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

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

class PtyOutlet : public MirrorOutlet
{
public:
    PtyOutlet(int master, int slave, QString device, QString linkPath, int backlogBytes)
        : m_master(master), m_slave(slave), m_device(std::move(device)),
          m_linkPath(std::move(linkPath)), m_backlog(backlogBytes),
          m_input(master, QSocketNotifier::Read)
    {
        QObject::connect(&m_input, &QSocketNotifier::activated, [this] { drainInput(); });
    }
    ~PtyOutlet() override
    {
        m_input.setEnabled(false);
        removeLink();
        ::close(m_master);
        ::close(m_slave);
    }

    qint64 write(const QByteArray& bytes) override
    {
        int unread = 0;
        if (ioctl(m_slave, FIONREAD, &unread) != 0)
            unread = 0;
        const qsizetype room = qMax(0, m_backlog - unread);
        const qsizetype wanted = qMin(room, bytes.size());
        if (wanted <= 0)
            return 0;
        const ssize_t written = ::write(m_master, bytes.constData(), size_t(wanted));
        return written < 0 ? 0 : written;
    }
    qint64 ignored() const override { return m_ignored; }
    QString device() const override { return m_device; }

private:
    void drainInput()
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
            // Nothing more for now (EAGAIN); an error other than that cannot come while the
            // slave is held open here, and would only repeat: stop listening then.
            if (count == 0 || errno != EAGAIN)
                m_input.setEnabled(false);
            return;
        }
    }

    void removeLink()
    {
        const QByteArray name = QFile::encodeName(m_linkPath);
        char target[4096] = {};
        const ssize_t length = ::readlink(name.constData(), target, sizeof target - 1);
        // Only a link that still points here: another program may have put its own in its place.
        if (length > 0 && QFile::decodeName(QByteArray(target, length)) == m_device)
            ::unlink(name.constData());
    }

    int m_master;
    int m_slave;
    QString m_device;
    QString m_linkPath;
    int m_backlog;
    QSocketNotifier m_input;
    qint64 m_ignored = 0;
};

bool makeLink(const QString& path, const QString& device, QString& error)
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
    if (::symlink(QFile::encodeName(device).constData(), tempName.constData()) != 0 ||
        std::rename(tempName.constData(), finalName.constData()) != 0) {
        error = QStringLiteral("cannot make the link %1: %2").arg(path, systemError());
        ::unlink(tempName.constData());
        return false;
    }
    return true;
}

} // namespace

std::unique_ptr<MirrorOutlet> OpenPtyMirror(const QString& linkPath, int backlogBytes,
                                            QString& error)
{
    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        error = QStringLiteral("cannot open a pseudo-terminal: %1").arg(systemError());
        return {};
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
    const QString device = QString::fromLocal8Bit(name);
    if (!makeLink(linkPath, device, error)) {
        ::close(master);
        ::close(slave);
        return {};
    }
    // The slave stays open here too, so the reader's own open and close never hang up the
    // master, and its backlog can be measured.
    return std::make_unique<PtyOutlet>(master, slave, device, linkPath, backlogBytes);
}

QString DefaultMirrorTarget()
{
    return QStringLiteral("/tmp/skyvane-mirror");
}

QString MirrorTargetHelp()
{
    return QStringLiteral("Link to a pseudo-terminal that mirrors every byte from the board\n(open "
                          "it as a serial port; what is written there is dropped), or tcp:PORT "
                          "for a local TCP port\n(read as socket://127.0.0.1:PORT):");
}
