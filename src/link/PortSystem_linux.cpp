// Linux: the device node's rights, the processes' open files under /proc, and the adapter's
// attributes under /sys.
#include "link/PortSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace {

QString readLine(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(file.readLine()).trimmed();
}

QString groupName(unsigned gid)
{
    const group* g = getgrgid(gid);
    return g ? QString::fromLocal8Bit(g->gr_name) : QString::number(gid);
}

QString userName(unsigned uid)
{
    const passwd* p = getpwuid(uid);
    return p ? QString::fromLocal8Bit(p->pw_name) : QString::number(uid);
}

bool listedIn(unsigned gid, const QString& user)
{
    const group* g = getgrgid(gid);
    if (!g)
        return false;
    for (char** member = g->gr_mem; member && *member; ++member) {
        if (QString::fromLocal8Bit(*member) == user)
            return true;
    }
    // The account's own primary group counts as well.
    const passwd* p = getpwnam(user.toLocal8Bit().constData());
    return p && p->pw_gid == gid;
}

AccessFacts accessOf(const QString& device, const UserAccount& user)
{
    AccessFacts a;
    a.known = true;
    struct stat st
    {};
    if (::stat(QFile::encodeName(device).constData(), &st) != 0)
        return a;
    a.exists = true;
    a.owner = userName(st.st_uid);
    a.group = groupName(st.st_gid);
    a.mode = st.st_mode & 07777;
    a.inGroup = user.groups.contains(unsigned(st.st_gid));
    a.listedInGroup = listedIn(st.st_gid, user.name);
    const unsigned rw = 06;
    if (user.uid == 0)
        a.mayOpen = true;
    else if (user.uid == st.st_uid)
        a.mayOpen = ((a.mode >> 6) & rw) == rw;
    else if (a.inGroup)
        a.mayOpen = ((a.mode >> 3) & rw) == rw;
    else
        a.mayOpen = (a.mode & rw) == rw;
    return a;
}

// The USB device folder above a tty's device link: the first folder upwards that has the
// vendor id.
QString usbFolderOf(const QString& ttyFolder)
{
    QString folder = QFileInfo(ttyFolder + QStringLiteral("/device")).canonicalFilePath();
    for (int up = 0; up < 4 && !folder.isEmpty() && folder != QStringLiteral("/"); ++up) {
        if (QFileInfo::exists(folder + QStringLiteral("/idVendor")))
            return folder;
        folder = QFileInfo(folder).path();
    }
    return {};
}

AdapterFacts adapterOf(const QString& tty, const SystemRoots& roots)
{
    AdapterFacts a;
    const QString ttyFolder = roots.sys + QStringLiteral("/class/tty/") + tty;
    a.driver =
        QFileInfo(QFileInfo(ttyFolder + QStringLiteral("/device/driver")).canonicalFilePath())
            .fileName();
    const QString usb = usbFolderOf(ttyFolder);
    if (usb.isEmpty())
        return a;
    bool vendorOk = false;
    bool productOk = false;
    a.vendorId = readLine(usb + QStringLiteral("/idVendor")).toUShort(&vendorOk, 16);
    a.productId = readLine(usb + QStringLiteral("/idProduct")).toUShort(&productOk, 16);
    a.usb = vendorOk && productOk;
    a.manufacturer = readLine(usb + QStringLiteral("/manufacturer"));
    a.product = readLine(usb + QStringLiteral("/product"));
    a.serialNumber = readLine(usb + QStringLiteral("/serial"));
    return a;
}

// The pseudo-terminal's number behind a master descriptor ("tty-index:" of its fdinfo), or -1.
int ptyIndexOf(const QString& fdinfo)
{
    QFile file(fdinfo);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& row : file.readAll().split('\n')) {
        if (!row.startsWith("tty-index:"))
            continue;
        bool ok = false;
        const int index = row.mid(10).trimmed().toInt(&ok);
        return ok ? index : -1;
    }
    return -1;
}

// The number of a pseudo-terminal's device ("/dev/pts/3" gives 3), or -1.
int ptyNumberOf(const QString& device)
{
    if (!device.startsWith(QLatin1String("/dev/pts/")))
        return -1;
    bool ok = false;
    const int number = device.mid(9).toInt(&ok);
    return ok ? number : -1;
}

void findHolders(PortFacts& facts, qint64 ownPid, const SystemRoots& roots)
{
    const int pty = ptyNumberOf(facts.device);
    const QDir proc(roots.proc);
    if (!proc.exists()) {
        facts.holdersNote = QStringLiteral("%1 cannot be read").arg(roots.proc);
        return;
    }
    facts.holdersKnown = true;
    const QStringList pids = proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : pids) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        if (!ok || pid == ownPid)
            continue;
        const QString name = readLine(proc.filePath(entry) + QStringLiteral("/comm"));
        for (const char* grabber : {"ModemManager", "brltty"}) {
            if (name == QLatin1String(grabber) && !facts.grabbers.contains(name))
                facts.grabbers.append(name);
        }
        // Other users' processes cannot be looked into: they are not seen here.
        const QString fdFolder = proc.filePath(entry) + QStringLiteral("/fd");
        const QStringList fds =
            QDir(fdFolder).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        bool holds = false;
        bool otherEnd = false;
        for (const QString& fd : fds) {
            const QString target = QFileInfo(fdFolder + QLatin1Char('/') + fd).symLinkTarget();
            holds = holds || target == facts.device;
            if (pty >= 0 &&
                (target == QLatin1String("/dev/ptmx") || target == QLatin1String("/dev/pts/ptmx")))
                otherEnd = otherEnd || ptyIndexOf(proc.filePath(entry) +
                                                  QStringLiteral("/fdinfo/") + fd) == pty;
        }
        if (otherEnd)
            facts.otherEnd.append({pid, name});
        else if (holds)
            facts.holders.append({pid, name});
    }
}

LatencyFacts latencyOf(const QString& tty, const SystemRoots& roots)
{
    LatencyFacts l;
    const QString path = roots.sys + QStringLiteral("/bus/usb-serial/devices/") + tty +
                         QStringLiteral("/latency_timer");
    if (!QFileInfo::exists(path))
        return l;
    l.where = path;
    bool ok = false;
    const int ms = readLine(path).toInt(&ok);
    if (!ok) {
        l.note = QStringLiteral("%1 cannot be read").arg(path);
        return l;
    }
    l.present = true;
    l.ms = ms;
    return l;
}

} // namespace

UserAccount CurrentUser()
{
    UserAccount user;
    user.uid = unsigned(geteuid());
    user.name = userName(user.uid);
    const int count = getgroups(0, nullptr);
    std::vector<gid_t> groups(size_t(count > 0 ? count : 0));
    if (count > 0 && getgroups(count, groups.data()) == count) {
        for (gid_t g : groups)
            user.groups.append(unsigned(g));
    }
    if (!user.groups.contains(unsigned(getegid())))
        user.groups.append(unsigned(getegid()));
    return user;
}

PortFacts ProbePort(const QString& device, const UserAccount& user, qint64 ownPid,
                    const SystemRoots& roots)
{
    PortFacts facts;
    // /dev/serial/by-id/... and the board's link name the device they point at.
    const QString canonical = QFileInfo(device).canonicalFilePath();
    facts.device = canonical.isEmpty() ? device : canonical;
    const QString tty = QFileInfo(facts.device).fileName();
    facts.adapter = adapterOf(tty, roots);
    facts.access = accessOf(facts.device, user);
    findHolders(facts, ownPid, roots);
    facts.latency = latencyOf(tty, roots);
    return facts;
}
