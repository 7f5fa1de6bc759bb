#include "firmware/Bootloader.h"

#include "core/Logger.h"
#include "core/Pause.h"
#include "core/WindowTimer.h"
#include "firmware/BootReply.h"
#include "firmware/SecondsText.h"
#include "link/Link.h"
#include "link/ReceiveBuffer.h"

#include <QEventLoop>
#include <QTimer>

Bootloader::Bootloader(Link& link, Logger& log, ReceiveBuffer& rxBuffer, WindowTimer& ackTimeout)
    : m_link(link), m_log(log), m_rxBuffer(rxBuffer), m_ackTimeout(ackTimeout)
{}

void Bootloader::EnsurePortOpen()
{
    m_rxBuffer.discard();
    SerialControl& port = m_link.M();
    if (!port.PortOpen()) {
        try {
            port.setPortOpen(true);
        } catch (const PortError&) {
            m_log.AddLog(QStringLiteral("Connection refused."));
            return;
        }
    }
    m_log.AddLog(QStringLiteral("Connection established."));
}

void Bootloader::ResetDevice()
{
    EnsurePortOpen();
    if (m_link.M().PortOpen())
        m_link.M().Output(QByteArrayLiteral("G"));
    PauseMs(100);
    m_log.AddLog(QStringLiteral("Device Reset."));
}

void Bootloader::CheckBootloaderVersion()
{
    m_log.AddLog(QStringLiteral("Checking Bootloader version..."));
    SendBootCommand(QByteArrayLiteral("+V"));
    WaitBootReply();
}

bool Bootloader::EraseFlash()
{
    EnsurePortOpen();
    m_log.AddLog(QStringLiteral("Erasing Flash Memory..."));
    m_erased = false;
    SendBootCommand(QByteArrayLiteral("+E"));
    WaitBootReply();
    return m_erased;
}

void Bootloader::RunApplication()
{
    EnsurePortOpen();
    m_log.AddLog(QStringLiteral("Running Application..."));
    SendBootCommand(QByteArrayLiteral("+R"));
    WaitBootReply();
}

void Bootloader::SendBootCommand(const QByteArray& bytes)
{
    // Whatever arrived before the command (the rest of an earlier reply, a measurement frame
    // answered late to the last data request) is no reply to it.
    SerialControl& port = m_link.M();
    if (port.PortOpen())
        port.Input();
    m_rxBuffer.discard();
    m_link.SendCommand(bytes);
}

void Bootloader::setReplyTimeout(int milliseconds)
{
    m_replyTimeoutMs = milliseconds;
}

void Bootloader::WaitBootReply()
{
    m_rxBuffer.discard();
    SerialControl& port = m_link.M();
    QTimer deadline;
    deadline.setSingleShot(true);
    // A coarse timer may run out up to 5 % early; the deadline is the time the operator set.
    deadline.setTimerType(Qt::PreciseTimer);
    if (m_replyTimeoutMs > 0)
        deadline.start(m_replyTimeoutMs);
    for (;;) {
        if (!port.PortOpen())
            return;
        m_rxBuffer.append(port.Input());
        // The parser drops the noise before a reply from its copy; drop it here too.
        QByteArray head = m_rxBuffer.bytes();
        const BootReply reply = ParseBootReply(head);
        m_rxBuffer.consume(m_rxBuffer.size() - head.size());
        if (act(reply))
            return;
        if (m_replyTimeoutMs > 0 && !deadline.isActive()) {
            ReplyMissed = true;
            m_log.AddLog(QStringLiteral("No reply from the bootloader within %1 s.")
                             .arg(SecondsText(m_replyTimeoutMs / 1000.0)));
            return;
        }
        // Nothing else can emit between the check above and exec(): one thread.
        QEventLoop loop;
        QObject::connect(&port, &SerialControl::readyRead, &loop, &QEventLoop::quit);
        QObject::connect(&port, &SerialControl::closed, &loop, &QEventLoop::quit);
        QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

bool Bootloader::act(const BootReply& reply)
{
    switch (reply.kind) {
    case BootReply::Incomplete:
        return false;
    case BootReply::Version:
        BootFamily = BootFamilyFor(reply.code, BootFamily);
        m_log.AddLog(QStringLiteral("Veltis Bootloader Version ") + BootVersionText(reply.code) +
                     QStringLiteral(" (") + BootFamily + QStringLiteral(")."));
        return true;
    case BootReply::Erased:
        m_log.AddLog(QStringLiteral("Flash Erased successfully."));
        m_erased = true;
        return true;
    case BootReply::FReply:
        return true;
    case BootReply::Acknowledged:
        AckAddress = reply.address;
        m_ackTimeout.setEnabled(false);
        return true;
    case BootReply::Running:
        m_log.AddLog(QStringLiteral("Application Launched."));
        return true;
    case BootReply::Status:
        if (reply.code == 1)
            m_log.AddLog(QStringLiteral("Checksum error !"));
        return true;
    }
    return true;
}
