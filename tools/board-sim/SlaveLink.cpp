#include "SlaveLink.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

bool SlaveLink::create(const QString& path, const QString& target, QString& error)
{
    const QFileInfo existing(path);
    if ((existing.exists() || existing.isSymLink()) && !existing.isSymLink()) {
        error = QStringLiteral("%1 exists and is not a symbolic link").arg(path);
        return false;
    }
    // Made under a temporary name and renamed over the old link, so the path never vanishes.
    const QByteArray finalName = QFile::encodeName(path);
    const QByteArray tempName = finalName + ".board-sim." + QByteArray::number(getpid());
    ::unlink(tempName.constData());
    if (::symlink(QFile::encodeName(target).constData(), tempName.constData()) != 0 ||
        std::rename(tempName.constData(), finalName.constData()) != 0) {
        error = QStringLiteral("cannot make the link %1: %2").arg(path, std::strerror(errno));
        ::unlink(tempName.constData());
        return false;
    }
    m_path = path;
    m_target = target;
    return true;
}

void SlaveLink::remove()
{
    if (m_path.isEmpty())
        return;
    const QByteArray name = QFile::encodeName(m_path);
    char target[4096] = {};
    const ssize_t length = ::readlink(name.constData(), target, sizeof target - 1);
    if (length > 0 && QFile::decodeName(QByteArray(target, length)) == m_target)
        ::unlink(name.constData());
    m_path.clear();
}
