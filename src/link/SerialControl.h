#pragma once

#include "link/LowLatency.h"

#include <QByteArray>
#include <QObject>
#include <QString>

// Why opening the port failed. InvalidPortNumber is the one failure the connection logic
// tells apart: the number (or path) names no port of the system.
struct PortError
{
    enum Kind
    {
        InvalidPortNumber,
        Busy,
        Permission,
        BadSettings,
        Other
    };
    Kind kind = Other;
    QString description;
};

// The serial-port control of the window: a port number or device path, the line settings
// ("115200,n,8,1"), open/close, and unbuffered access to what was received and what is sent.
class SerialControl : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    int CommPort() const { return m_commPort; }
    void setCommPort(int number)
    {
        m_commPort = number;
        m_devicePath.clear();
    }
    // A device path used as it stands ("/dev/pts/3"), or a network address
    // ("socket://HOST:PORT"); it overrides the port number.
    QString DevicePath() const { return m_devicePath; }
    void setDevicePath(const QString& path) { m_devicePath = path; }
    QString Settings() const { return m_settings; }
    void setSettings(const QString& settings) { m_settings = settings; }

    virtual bool PortOpen() const = 0;
    // Opening uses the current CommPort/DevicePath and Settings; it throws PortError on failure.
    // Closing never fails.
    virtual void setPortOpen(bool open) = 0;
    // Every byte received and not yet read; reading empties the receive buffer.
    virtual QByteArray Input() = 0;
    // The same, and also what the device holds but has not announced yet: the last read before
    // the port is let go.
    virtual QByteArray InputAll() { return Input(); }
    // Sends the bytes in order; returns false when the write failed, and why is then in
    // lastWriteError().
    virtual bool Output(const QByteArray& bytes) = 0;
    QString lastWriteError() const { return m_writeError; }

    // "Low latency" for the next opens of a serial device (a fake port ignores it), and what
    // the last open did about it: one line for the log, "" when there is nothing to tell.
    void setLowLatency(LowLatencyChoice choice) { m_lowLatency = choice; }
    LowLatencyChoice lowLatency() const { return m_lowLatency; }
    QString lowLatencyNote() const { return m_lowLatencyNote; }

signals:
    // Bytes have arrived.
    void readyRead();
    // Bytes that Input() took from the port, in order, for taps (a raw mirror of the port).
    void received(const QByteArray& bytes);
    // The port went from open to closed, for whatever reason.
    void closed();
    // The open port failed under the program (adapter pulled, peer gone); it is closed now,
    // and closed() follows.
    void linkLost(const QString& device, const QString& description);

protected:
    void setWriteError(const QString& reason) { m_writeError = reason; }
    void setLowLatencyNote(const QString& note) { m_lowLatencyNote = note; }

private:
    int m_commPort = 1;
    QString m_devicePath;
    QString m_settings = QStringLiteral("9600,n,8,1");
    QString m_writeError;
    LowLatencyChoice m_lowLatency = LowLatencyChoice::Ftdi;
    QString m_lowLatencyNote;
};
