#include "output/UdpForwarder.h"

#include "output/JsonDatagram.h"
#include "protocol/MeasurementStream.h"

#include <QHostInfo>

#include <chrono>

UdpForwarder::UdpForwarder(MeasurementStream& stream, Report report, QObject* parent)
    : QObject(parent), m_stream(stream), m_report(std::move(report))
{}

UdpForwarder::~UdpForwarder()
{
    stop();
}

qint64 UdpForwarder::now() const
{
    if (m_clock)
        return m_clock();
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

bool UdpForwarder::start(const QString& hostPort)
{
    stop();
    const HostPort destination = HostPort::parse(hostPort);
    if (!destination.ok()) {
        m_report(QStringLiteral("Forwarding refused: %1.").arg(destination.error));
        return false;
    }
    QHostAddress address(destination.host);
    if (address.isNull()) {
        const QHostInfo found = QHostInfo::fromName(destination.host);
        for (const QHostAddress& a : found.addresses()) {
            // An IPv4 address first: what most receivers listen on.
            if (address.isNull() || a.protocol() == QAbstractSocket::IPv4Protocol)
                address = a;
            if (a.protocol() == QAbstractSocket::IPv4Protocol)
                break;
        }
        if (address.isNull()) {
            m_report(QStringLiteral("Forwarding refused: cannot find the host %1: %2.")
                         .arg(destination.host, found.errorString()));
            return false;
        }
    }
    start(address, destination.port);
    m_destination.host = destination.host;
    return true;
}

void UdpForwarder::start(const QHostAddress& address, quint16 port)
{
    stop();
    m_destination = HostPort{address.toString(), port, {}};
    m_address = address;
    m_sent = 0;
    m_failed = 0;
    m_failing = false;
    m_subscription = m_stream.subscribe([this](const Measurement& m) { forward(m); });
    m_report(QStringLiteral("Forwarding live data to %1 (UDP JSON).").arg(m_destination.text()));
}

void UdpForwarder::stop()
{
    if (!isRunning())
        return;
    m_stream.unsubscribe(m_subscription);
    m_subscription = 0;
    m_socket.close();
    m_report(QStringLiteral("Forwarding to %1 stopped: %2 datagrams sent.")
                 .arg(m_destination.text())
                 .arg(m_sent));
}

void UdpForwarder::forward(const Measurement& m)
{
    if (!isRunning())
        return;
    const QByteArray text = JsonDatagram::datagram(m, now(), m_portName);
    if (m_socket.writeDatagram(text, m_address, m_destination.port) == text.size()) {
        ++m_sent;
        m_failing = false;
        return;
    }
    ++m_failed;
    if (m_failing)
        return;
    m_failing = true;
    m_report(QStringLiteral("Forwarding to %1 failed: %2 (further failures are not logged).")
                 .arg(m_destination.text(), m_socket.errorString()));
}
