#include "output/RawMirror.h"

#include "output/PtyMirror.h"
#include "output/TcpMirror.h"

RawMirror::RawMirror(Report report, QObject* parent) : QObject(parent), m_report(std::move(report))
{}

RawMirror::~RawMirror()
{
    close();
}

bool RawMirror::open(const QString& target)
{
    close();
    QString error;
    std::unique_ptr<MirrorOutlet> outlet;
    if (TcpMirror::isTcpTarget(target))
        outlet = TcpMirror::open(target, BacklogBytes, m_report, error);
    else
        outlet = OpenPtyMirror(target, BacklogBytes, error);
    if (!outlet) {
        m_report(QStringLiteral("Mirror refused: %1").arg(error));
        return false;
    }
    m_outlet = std::move(outlet);
    m_linkPath = target;
    m_devicePath = m_outlet->device();
    m_mirrored = 0;
    m_dropped = 0;
    m_report(QStringLiteral("Mirroring the port at %1 (%2).").arg(m_linkPath, m_devicePath));
    return true;
}

void RawMirror::close()
{
    if (!isOpen())
        return;
    m_outlet.reset();
    m_report(QStringLiteral("Mirror %1 closed: %2 bytes mirrored, %3 dropped.")
                 .arg(m_linkPath)
                 .arg(m_mirrored)
                 .arg(m_dropped));
}

void RawMirror::write(const QByteArray& bytes)
{
    if (!isOpen() || bytes.isEmpty())
        return;
    const qint64 written = m_outlet->write(bytes);
    m_mirrored += written;
    m_dropped += bytes.size() - written;
}

qint64 RawMirror::ignored() const
{
    return m_outlet ? m_outlet->ignored() : 0;
}

QString RawMirror::defaultTarget()
{
    return DefaultMirrorTarget();
}

QString RawMirror::targetHelp()
{
    return MirrorTargetHelp();
}
