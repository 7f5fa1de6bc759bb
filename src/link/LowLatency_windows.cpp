// Windows keeps an FTDI adapter's latency timer in the driver's own settings (Device Manager,
// the port's Advanced settings); the program reads it but does not change it.
#include "link/LowLatency.h"

QString ApplyLowLatency(QSerialPort&, const QString& device, LowLatencyChoice choice)
{
    if (choice != LowLatencyChoice::On)
        return {};
    return QStringLiteral("Low latency is not available for %1 on this platform: set the "
                          "adapter's latency timer in the Device Manager (Port Settings, "
                          "Advanced, Latency Timer).")
        .arg(device);
}
