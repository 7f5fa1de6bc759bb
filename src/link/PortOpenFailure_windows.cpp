#include "link/PortOpenFailure.h"

PortError PortOpenFailure(const QString& path, QSerialPort::SerialPortError error,
                          const QString& reason)
{
    if (error == QSerialPort::DeviceNotFoundError)
        return {PortError::InvalidPortNumber,
                QStringLiteral("Invalid port number: %1: %2").arg(path, reason)};
    // Windows gives a port to one program at a time: access denied means another one has it.
    if (error == QSerialPort::PermissionError || error == QSerialPort::OpenError)
        return {PortError::Busy,
                QStringLiteral("Port %1 is busy (used by another program): %2").arg(path, reason)};
    return {PortError::Other, QStringLiteral("Cannot open %1: %2").arg(path, reason)};
}
