#pragma once

#include "output/HostPort.h"

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QUdpSocket>

#include <functional>

class MeasurementStream;
struct Measurement;

// Forwards every measurement of the stream, while running, as one UDP JSON datagram
// (JsonDatagram.h) to HOST:PORT: one more listener of the stream, live frames and replayed ones
// alike. Nothing waits for a receiver; a send that fails is reported once (not once per frame)
// until a send succeeds again. Every event is reported as one text for the message log.
class UdpForwarder : public QObject
{
    Q_OBJECT
public:
    using Report = std::function<void(const QString&)>;
    // PlotJuggler's UDP server listens here by default.
    static constexpr const char* DefaultAddress = "127.0.0.1:9870";

    // The stream must outlive the forwarder.
    UdpForwarder(MeasurementStream& stream, Report report, QObject* parent = nullptr);
    // Stops (reported as a normal stop).
    ~UdpForwarder() override;

    // Starts forwarding to HOST:PORT (a host name is looked up once, here) and reports
    // "Forwarding live data to HOST:PORT (UDP JSON)."; otherwise reports why not and returns
    // false. A running forwarding is stopped first.
    bool start(const QString& hostPort);
    // The same to an address already looked up.
    void start(const QHostAddress& address, quint16 port);
    // Reports "Forwarding to HOST:PORT stopped: N datagrams sent." Nothing when not running.
    void stop();
    bool isRunning() const { return m_subscription != 0; }
    // "127.0.0.1:9870" while running.
    QString destination() const { return m_destination.text(); }

    // Adds "port" with this name to every datagram ("" for none).
    void setPortName(const QString& name) { m_portName = name; }
    // Microseconds since the Unix epoch for "timestamp" (the system clock unless set).
    void setClock(std::function<qint64()> unixMicroseconds)
    {
        m_clock = std::move(unixMicroseconds);
    }

    // One datagram for the measurement (what the stream calls).
    void forward(const Measurement& m);
    qint64 sent() const { return m_sent; }
    qint64 failed() const { return m_failed; }

private:
    qint64 now() const;

    MeasurementStream& m_stream;
    Report m_report;
    QUdpSocket m_socket;
    HostPort m_destination;
    QHostAddress m_address;
    QString m_portName;
    std::function<qint64()> m_clock;
    int m_subscription = 0;
    qint64 m_sent = 0;
    qint64 m_failed = 0;
    bool m_failing = false;
};
