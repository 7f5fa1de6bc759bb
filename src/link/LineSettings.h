#pragma once

#include <QSerialPort>
#include <QString>

// The line settings text of the port control, "115200,n,8,1": speed, parity
// (n, e, o, m, s), data bits (5 to 8), stop bits (1, 1.5, 2).
struct LineSettings
{
    bool ok = false;
    QString error;
    qint32 baud = 0;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

LineSettings ParseLineSettings(const QString& text);
