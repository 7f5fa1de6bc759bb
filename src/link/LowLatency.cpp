#include "link/LowLatency.h"

QString LowLatencyText(LowLatencyChoice choice)
{
    switch (choice) {
    case LowLatencyChoice::Off:
        return QStringLiteral("0");
    case LowLatencyChoice::On:
        return QStringLiteral("1");
    case LowLatencyChoice::Ftdi:
        break;
    }
    return {};
}

LowLatencyChoice LowLatencyOf(const QString& text)
{
    const QString t = text.trimmed();
    if (t == QLatin1String("0"))
        return LowLatencyChoice::Off;
    if (t == QLatin1String("1"))
        return LowLatencyChoice::On;
    return LowLatencyChoice::Ftdi;
}
