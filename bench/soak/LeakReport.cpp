#include "LeakReport.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

std::vector<Mapping> ReadMappings(qint64 pid)
{
    std::vector<Mapping> mappings;
    QFile file(QStringLiteral("/proc/%1/maps").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return mappings;
    // start-end perms offset device inode path
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 6 || !fields[5].startsWith('/'))
            continue;
        const QList<QByteArray> range = fields[0].split('-');
        if (range.size() != 2)
            continue;
        mappings.push_back({range[0].toULongLong(nullptr, 16), range[1].toULongLong(nullptr, 16),
                            QString::fromLocal8Bit(fields[5])});
    }
    return mappings;
}

namespace {

QString moduleAt(quint64 address, const std::vector<Mapping>& mappings)
{
    for (const Mapping& m : mappings) {
        if (address >= m.start && address < m.end)
            return QFileInfo(m.path).fileName();
    }
    return QStringLiteral("?");
}

} // namespace

std::vector<Leak> ParseLeaks(const QByteArray& report, const std::vector<Mapping>& mappings)
{
    static const QRegularExpression header(
        QStringLiteral("^(Direct|Indirect) leak of (\\d+) byte"));
    static const QRegularExpression frame(QStringLiteral("^\\s+#(\\d+) 0x([0-9a-f]+)"));
    std::vector<Leak> leaks;
    for (const QByteArray& raw : report.split('\n')) {
        const QString line = QString::fromLocal8Bit(raw);
        if (const auto h = header.match(line); h.hasMatch()) {
            leaks.push_back(
                {h.captured(2).toLongLong(), h.captured(1) == QLatin1String("Direct"), {}});
            continue;
        }
        const auto f = frame.match(line);
        // Frame 0 is the allocator of the sanitizer runtime itself.
        if (leaks.empty() || !f.hasMatch() || f.captured(1) == QLatin1String("0"))
            continue;
        const QString module = moduleAt(f.captured(2).toULongLong(nullptr, 16), mappings);
        if (!leaks.back().modules.contains(module))
            leaks.back().modules << module;
    }
    return leaks;
}
