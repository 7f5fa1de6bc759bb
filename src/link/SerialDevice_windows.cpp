#include "link/SerialDevice.h"

bool SerialDeviceMissing(const QString&)
{
    // "COM7" is no file: only opening it tells whether the system has it.
    return false;
}

qint64 WriteToDeviceAtOnce(QSerialPort&, const QByteArray&, QString&)
{
    // The handle is opened for overlapped writes, which only QSerialPort's own write may use.
    return 0;
}
