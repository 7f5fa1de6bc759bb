#pragma once

#include <QList>
#include <QString>

// Port numbers of the window ("COM12") and the devices they stand for. On Linux:
// COM1-32 /dev/ttyS0-31, COM33-64 /dev/ttyUSB0-31, COM65-96 /dev/ttyACM0-31; on Windows
// "COMn" is the system's own name of the port. "" when the number names no device.
QString DeviceForComNumber(int number);
// The COM number of a device of that table, or 0.
int ComNumberForDevice(const QString& device);

struct PortNameResult
{
    bool ok = false;
    int number = 0;
    QString error;
};
// The port number of a port name: the text from its fourth character on, as an integer.
PortNameResult ComNumberOfName(const QString& name);

struct PortEntry
{
    QString name;
    QString tooltip;
};
// A serial device the system reports, with its adapter's description (may be empty).
struct PresentPort
{
    QString device;
    QString description;
};
// The port list. On Linux COM1 to COM32, then the USB and ACM adapters present (by COM name);
// on Windows the ports the system reports, by number (COM1 when it reports none). Every
// entry's tooltip names its device and, when known, the adapter's description.
QList<PortEntry> PortList();
// The same list for the given devices: on Linux "/dev/ttyUSB3" with "FT232R USB UART" gives
// "COM36" with the tooltip "/dev/ttyUSB3 - FT232R USB UART"; on Windows "COM7" with it gives
// "COM7" with the tooltip "COM7 - FT232R USB UART".
QList<PortEntry> PortListOf(const QList<PresentPort>& present);
