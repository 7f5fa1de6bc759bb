#include "link/QtSerialControl.h"

#include "link/LineSettings.h"
#include "link/LowLatency.h"
#include "link/NetworkPort.h"
#include "link/PortNames.h"
#include "link/PortOpenFailure.h"
#include "link/SerialDevice.h"

QtSerialControl::QtSerialControl(QObject* parent) : SerialControl(parent)
{
    // No limit on the in-memory receive buffer: the receiver takes everything each tick.
    m_port.setReadBufferSize(0);
    connect(&m_port, &QSerialPort::readyRead, this, &SerialControl::readyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialControl::onError);
    connect(&m_network, &NetworkChannel::readyRead, this, &SerialControl::readyRead);
    connect(&m_network, &NetworkChannel::lost, this, [this](const QString& description) {
        emit linkLost(m_openPath, description);
        emit closed();
    });
}

QtSerialControl::~QtSerialControl() = default;

QString QtSerialControl::device() const
{
    if (!DevicePath().isEmpty())
        return DevicePath();
    return DeviceForComNumber(CommPort());
}

bool QtSerialControl::PortOpen() const
{
    return m_port.isOpen() || m_network.isOpen();
}

void QtSerialControl::setPortOpen(bool open)
{
    if (!open) {
        if (!PortOpen())
            return;
        m_port.close();
        m_network.close();
        emit closed();
        return;
    }
    if (PortOpen())
        return;
    // The line settings are taken before the port is looked for, so a bad speed is told
    // first (and does not count as a port that is missing).
    const LineSettings line = ParseLineSettings(Settings());
    if (!line.ok)
        throw PortError{PortError::BadSettings, line.error};
    if (IsNetworkPortName(DevicePath())) {
        m_network.open(DevicePath());
        m_openPath = DevicePath();
        return;
    }
    const QString path = device();
    if (path.isEmpty())
        throw PortError{
            PortError::InvalidPortNumber,
            QStringLiteral("Invalid port number: COM%1 names no port.").arg(CommPort())};
    if (SerialDeviceMissing(path))
        throw PortError{PortError::InvalidPortNumber,
                        QStringLiteral("Invalid port number: %1 does not exist.").arg(path)};
    m_port.setPortName(path);
    m_port.setBaudRate(line.baud);
    m_port.setParity(line.parity);
    m_port.setDataBits(line.dataBits);
    m_port.setStopBits(line.stopBits);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (m_port.open(QIODevice::ReadWrite)) {
        m_port.clearError();
        m_openPath = path;
        setLowLatencyNote(ApplyLowLatency(m_port, path, lowLatency()));
        return;
    }
    const QSerialPort::SerialPortError error = m_port.error();
    const QString reason = m_port.errorString();
    m_port.clearError();
    throw PortOpenFailure(path, error, reason);
}

QByteArray QtSerialControl::Input()
{
    if (!PortOpen())
        return {};
    QByteArray bytes = m_network.isOpen() ? m_network.readAll() : m_port.readAll();
    if (!bytes.isEmpty())
        emit received(bytes);
    return bytes;
}

QByteArray QtSerialControl::InputAll()
{
    // Each wait without a time takes what the device holds now into the port's buffer.
    while (m_port.isOpen() && m_port.waitForReadyRead(0)) {
    }
    return Input();
}

bool QtSerialControl::Output(const QByteArray& bytes)
{
    if (!PortOpen() || bytes.isEmpty())
        return PortOpen();
    if (m_network.isOpen()) {
        QString error;
        if (m_network.write(bytes, error))
            return true;
        setWriteError(error);
        return false;
    }
    // When nothing waits before them, the bytes go to the device at once. What the device does
    // not take at once (a full transmit buffer) takes QSerialPort's way.
    QByteArray rest = bytes;
    if (m_port.bytesToWrite() == 0) {
        QString error;
        const qint64 taken = WriteToDeviceAtOnce(m_port, bytes, error);
        if (taken == bytes.size())
            return true;
        if (taken < 0) {
            setWriteError(error);
            return false;
        }
        if (taken > 0)
            rest = bytes.mid(taken);
    }
    // No flush() here: with the device's buffer full it meets EAGAIN, which QSerialPort
    // reports as a resource error, the same as a vanished device. Its write notifier sends
    // the rest once the device takes more.
    const bool written = m_port.write(rest) == rest.size();
    if (written && m_port.error() != QSerialPort::WriteError)
        return true;
    setWriteError(m_port.errorString());
    if (m_port.error() == QSerialPort::WriteError)
        m_port.clearError();
    return false;
}

void QtSerialControl::onError(QSerialPort::SerialPortError error)
{
    // A vanished peer makes QSerialPort report read errors in a storm: the first one
    // closes the port, which ends the storm.
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)
        return;
    if (!m_port.isOpen())
        return;
    // The serial layer's text for these errors often carries a stale errno ("File exists"),
    // so the line says what happened in plain words.
    const QString description = error == QSerialPort::ResourceError
                                    ? QStringLiteral("the device is gone")
                                    : QStringLiteral("reading from the device failed");
    const QString path = m_openPath;
    m_port.clearError();
    m_port.close();
    emit linkLost(path, description);
    emit closed();
}
