// On Windows "COMn" is the system's own name of a port: the number is the port.
#include "link/PortNames.h"

#include <algorithm>

QString DeviceForComNumber(int number)
{
    if (number < 1)
        return {};
    return QStringLiteral("COM%1").arg(number);
}

int ComNumberForDevice(const QString& device)
{
    // The system's location of a port ("\\\\.\\COM12") is its name behind the device prefix.
    QString name = device;
    if (name.startsWith(QLatin1String("\\\\.\\")))
        name = name.mid(4);
    if (!name.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
        return 0;
    bool ok = false;
    const int number = name.mid(3).toInt(&ok);
    return ok && number > 0 ? number : 0;
}

QList<PortEntry> PortListOf(const QList<PresentPort>& present)
{
    QList<std::pair<int, QString>> ports;
    for (const PresentPort& port : present) {
        const int n = ComNumberForDevice(port.device);
        if (n == 0 || std::any_of(ports.cbegin(), ports.cend(),
                                  [n](const auto& known) { return known.first == n; }))
            continue;
        QString tooltip = DeviceForComNumber(n);
        if (!port.description.isEmpty())
            tooltip += QStringLiteral(" - ") + port.description;
        ports.append({n, tooltip});
    }
    std::sort(ports.begin(), ports.end());
    QList<PortEntry> entries;
    for (const auto& [n, tooltip] : ports)
        entries.append({DeviceForComNumber(n), tooltip});
    // A system that reports no port still offers COM1, the name the window starts with.
    if (entries.isEmpty())
        entries.append({QStringLiteral("COM1"), QStringLiteral("COM1")});
    return entries;
}
