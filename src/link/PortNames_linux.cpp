// Linux has no COM names: the window's COM numbers map to the serial, USB and ACM devices.
#include "link/PortNames.h"

#include <algorithm>

namespace {
struct Range
{
    int first;
    const char* prefix;
};
const Range kRanges[] = {{1, "/dev/ttyS"}, {33, "/dev/ttyUSB"}, {65, "/dev/ttyACM"}};
constexpr int kPerRange = 32;
} // namespace

QString DeviceForComNumber(int number)
{
    for (const Range& r : kRanges) {
        if (number >= r.first && number < r.first + kPerRange)
            return QLatin1String(r.prefix) + QString::number(number - r.first);
    }
    return {};
}

int ComNumberForDevice(const QString& device)
{
    for (const Range& r : kRanges) {
        const QString prefix = QLatin1String(r.prefix);
        if (!device.startsWith(prefix))
            continue;
        bool ok = false;
        const int index = device.mid(prefix.size()).toInt(&ok);
        if (ok && index >= 0 && index < kPerRange)
            return r.first + index;
    }
    return 0;
}

QList<PortEntry> PortListOf(const QList<PresentPort>& present)
{
    QList<PortEntry> entries;
    auto describe = [&](const QString& device) {
        for (const PresentPort& port : present) {
            if (port.device == device && !port.description.isEmpty())
                return device + QStringLiteral(" - ") + port.description;
        }
        return device;
    };
    for (int n = 1; n <= 32; ++n) {
        const QString device = DeviceForComNumber(n);
        entries.append({QStringLiteral("COM%1").arg(n), describe(device)});
    }
    QList<int> adapters;
    for (const PresentPort& port : present) {
        const int n = ComNumberForDevice(port.device);
        if (n > 32 && !adapters.contains(n))
            adapters.append(n);
    }
    std::sort(adapters.begin(), adapters.end());
    for (int n : adapters)
        entries.append({QStringLiteral("COM%1").arg(n), describe(DeviceForComNumber(n))});
    return entries;
}
