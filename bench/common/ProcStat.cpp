#include "common/ProcStat.h"

#include <QByteArray>
#include <QFile>
#include <QList>

#include <unistd.h>

namespace {

QByteArray readProcFile(qint64 pid, const char* name)
{
    // /proc files report a size of 0, so they are read to the end rather than by size.
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace

double ProcessCpuSeconds(qint64 pid)
{
    const QByteArray stat = readProcFile(pid, "stat");
    // The command name in parentheses may hold spaces; the fields after it are plain.
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return -1;
    const QList<QByteArray> fields = stat.mid(close + 2).simplified().split(' ');
    // Counted from the state (field 3 of the whole line): utime is field 14, stime 15.
    constexpr int utimeAt = 14 - 3;
    constexpr int stimeAt = 15 - 3;
    if (fields.size() <= stimeAt)
        return -1;
    bool okUser = false;
    bool okSystem = false;
    const qint64 ticks =
        fields[utimeAt].toLongLong(&okUser) + fields[stimeAt].toLongLong(&okSystem);
    if (!okUser || !okSystem)
        return -1;
    return double(ticks) / double(sysconf(_SC_CLK_TCK));
}

qint64 ResidentKb(qint64 pid)
{
    const QByteArray status = readProcFile(pid, "status");
    for (const QByteArray& line : status.split('\n')) {
        if (!line.startsWith("VmRSS:"))
            continue;
        const QList<QByteArray> parts = line.mid(6).simplified().split(' ');
        bool ok = false;
        const qint64 kb = parts.value(0).toLongLong(&ok);
        return ok ? kb : -1;
    }
    return -1;
}
