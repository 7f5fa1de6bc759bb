#include "link/PortLink.h"

#include "core/Logger.h"
#include "link/NetworkPort.h"
#include "link/PortNames.h"

PortLink::PortLink(SerialControl& port, Logger& log, QObject* parent)
    : QObject(parent), m_port(port), m_log(log)
{
    connect(&m_port, &SerialControl::linkLost, this, &PortLink::onLinkLost);
}

bool PortLink::OpenPort(const QString& name, const QString& speed)
{
    m_name = name;
    try {
        if (m_port.PortOpen())
            m_port.setPortOpen(false);
        if (name.startsWith(QLatin1Char('/')) || IsNetworkPortName(name)) {
            m_port.setDevicePath(name);
        } else {
            const PortNameResult number = ComNumberOfName(name);
            if (!number.ok)
                throw PortError{PortError::Other, number.error};
            m_port.setCommPort(number.number);
        }
        m_port.setSettings(speed + QStringLiteral(",n,8,1"));
        m_port.setPortOpen(true);
        m_lastError = PortError{};
        m_writeFailing = false;
        m_log.AddLog(QStringLiteral("Port ") + name + QStringLiteral(" opened."));
        // What "Low latency" did is said once, not at every open.
        const QString lowLatency = m_port.lowLatencyNote();
        if (!lowLatency.isEmpty() && lowLatency != m_lowLatencyLogged) {
            m_lowLatencyLogged = lowLatency;
            m_log.AddLog(lowLatency);
        }
        return true;
    } catch (const PortError& error) {
        m_lastError = error;
        m_log.AddLog(error.description);
        return false;
    }
}

void PortLink::ClosePort()
{
    if (m_port.PortOpen())
        m_port.setPortOpen(false);
    m_log.AddLog(QStringLiteral("COM Port closed."));
}

void PortLink::SendCommand(const QByteArray& bytes)
{
    if (!m_port.PortOpen()) {
        m_log.AddLog(QStringLiteral("Send failed because the COM port is closed."));
        return;
    }
    if (bytes.isEmpty())
        return;
    if (m_port.Output(bytes)) {
        m_writeFailing = false;
        return;
    }
    // One line when writes start failing, not one for every poll while they keep failing.
    if (m_writeFailing)
        return;
    m_writeFailing = true;
    QString reason = m_port.lastWriteError();
    if (reason.isEmpty())
        reason = QStringLiteral("unknown error");
    m_log.AddLog(QStringLiteral("Write to %1 failed: %2.").arg(m_name, reason));
}

void PortLink::onLinkLost(const QString& device, const QString& description)
{
    m_lastLoss =
        QStringLiteral("Link to %1 (%2) lost: %3. Port closed.").arg(m_name, device, description);
    m_log.AddLog(m_lastLoss);
    emit lost();
}
