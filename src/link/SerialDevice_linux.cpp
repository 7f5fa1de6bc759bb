#include "link/SerialDevice.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <unistd.h>

bool SerialDeviceMissing(const QString& device)
{
    return !QFileInfo::exists(device);
}

qint64 WriteToDeviceAtOnce(QSerialPort& port, const QByteArray& bytes, QString& error)
{
    // QSerialPort's own write switches its write notifier on and back off around every command,
    // and each switch wakes the event loop for nothing: the descriptor takes the bytes directly.
    const ssize_t taken = ::write(port.handle(), bytes.constData(), size_t(bytes.size()));
    if (taken >= 0)
        return taken;
    if (errno == EAGAIN || errno == EINTR)
        return 0;
    error = QString::fromLocal8Bit(std::strerror(errno));
    return -1;
}
