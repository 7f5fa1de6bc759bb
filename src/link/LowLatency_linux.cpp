// Linux: the ASYNC_LOW_LATENCY flag of the open port, through TIOCGSERIAL and TIOCSSERIAL.
#include "link/LowLatency.h"

#include <QFileInfo>
#include <QSerialPort>

#include <cerrno>
#include <cstring>
#include <linux/serial.h>
#include <sys/ioctl.h>

namespace {

QString driverOf(const QString& device)
{
    const QString tty = QFileInfo(QFileInfo(device).canonicalFilePath()).fileName();
    const QString link = QStringLiteral("/sys/class/tty/%1/device/driver").arg(tty);
    return QFileInfo(QFileInfo(link).canonicalFilePath()).fileName();
}

} // namespace

QString ApplyLowLatency(QSerialPort& port, const QString& device, LowLatencyChoice choice)
{
    const bool ftdi = driverOf(device) == QLatin1String("ftdi_sio");
    // By default only FTDI adapters are touched: theirs is the 16 ms timer.
    if (choice == LowLatencyChoice::Ftdi && !ftdi)
        return {};
    const bool wanted = choice != LowLatencyChoice::Off;
    serial_struct serial{};
    if (ioctl(port.handle(), TIOCGSERIAL, &serial) != 0) {
        if (choice != LowLatencyChoice::On)
            return {};
        return QStringLiteral("Low latency is not available for %1: %2.")
            .arg(device, QString::fromLocal8Bit(std::strerror(errno)));
    }
    const bool set = (serial.flags & ASYNC_LOW_LATENCY) != 0;
    if (set == wanted)
        return {};
    if (wanted)
        serial.flags |= ASYNC_LOW_LATENCY;
    else
        serial.flags &= ~ASYNC_LOW_LATENCY;
    if (ioctl(port.handle(), TIOCSSERIAL, &serial) != 0)
        return QStringLiteral("Low latency cannot be %1 for %2: %3.")
            .arg(wanted ? QStringLiteral("set") : QStringLiteral("cleared"), device,
                 QString::fromLocal8Bit(std::strerror(errno)));
    return wanted ? QStringLiteral("Low latency on for %1: the driver hands on received bytes "
                                   "at once (ASYNC_LOW_LATENCY%2).")
                        .arg(device, ftdi ? QStringLiteral(", latency timer 1 ms") : QString())
                  : QStringLiteral("Low latency off for %1: the adapter's own latency timer "
                                   "applies again.")
                        .arg(device);
}
