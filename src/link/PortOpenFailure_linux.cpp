#include "link/PortOpenFailure.h"

PortError PortOpenFailure(const QString& path, QSerialPort::SerialPortError error,
                          const QString& reason)
{
    if (error == QSerialPort::DeviceNotFoundError)
        return {PortError::InvalidPortNumber,
                QStringLiteral("Invalid port number: %1: %2").arg(path, reason)};
    if (error == QSerialPort::PermissionError) {
        if (reason.contains(QLatin1String("busy"), Qt::CaseInsensitive) ||
            reason.contains(QLatin1String("lock"), Qt::CaseInsensitive))
            return {
                PortError::Busy,
                QStringLiteral("Port %1 is busy (used by another program): %2").arg(path, reason)};
        return {PortError::Permission,
                QStringLiteral("Cannot open %1: %2. Add your user to the dialout group "
                               "(sudo usermod -aG dialout $USER) and log in again.")
                    .arg(path, reason)};
    }
    // A serial node with no UART behind it fails to open with an I/O error: like a missing
    // node, it names no port.
    if (error == QSerialPort::ResourceError && path.startsWith(QLatin1String("/dev/ttyS")))
        return {PortError::InvalidPortNumber,
                QStringLiteral("Invalid port number: %1 has no serial port behind it (%2).")
                    .arg(path, reason)};
    if (error == QSerialPort::OpenError)
        return {PortError::Busy, QStringLiteral("Port %1 is busy: %2").arg(path, reason)};
    return {PortError::Other, QStringLiteral("Cannot open %1: %2").arg(path, reason)};
}
