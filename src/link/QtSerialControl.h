#pragma once

#include "link/NetworkChannel.h"
#include "link/SerialControl.h"

#include <QSerialPort>

// The port control on a real serial device through QSerialPort, or on a TCP connection when the
// device path is "socket://HOST:PORT" (chosen at each open): the only code of the program that
// touches a port.
class QtSerialControl : public SerialControl
{
    Q_OBJECT
public:
    explicit QtSerialControl(QObject* parent = nullptr);
    ~QtSerialControl() override;

    bool PortOpen() const override;
    void setPortOpen(bool open) override;
    QByteArray Input() override;
    QByteArray InputAll() override;
    bool Output(const QByteArray& bytes) override;

    // The device the current CommPort or DevicePath names ("" when the number names none).
    QString device() const;

private:
    void onError(QSerialPort::SerialPortError error);

    QSerialPort m_port;
    NetworkChannel m_network;
    QString m_openPath;
};
