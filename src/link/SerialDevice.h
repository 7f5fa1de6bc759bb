#pragma once

#include <QByteArray>
#include <QSerialPort>
#include <QString>

// What a serial device is on this platform, for the port control.

// True when the device surely is not there before trying to open it (Linux: no such node).
// Where only the open can tell (Windows), false.
bool SerialDeviceMissing(const QString& device);

// Writes what the open port's device takes at once, bypassing QSerialPort's buffer where the
// platform allows it. Returns the number of bytes taken (0 when the rest must go QSerialPort's
// way), or -1 with the reason in `error` when the device refused them.
qint64 WriteToDeviceAtOnce(QSerialPort& port, const QByteArray& bytes, QString& error);
