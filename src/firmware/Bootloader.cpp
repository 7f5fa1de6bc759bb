#include "firmware/Bootloader.h"

#include "core/Logger.h"
#include "core/Pause.h"
#include "core/WindowTimer.h"
#include "firmware/SecondsText.h"
#include "link/Link.h"

#include <QEventLoop>
#include <QTimer>

Bootloader::Bootloader(Link& link, Logger& log, WindowTimer& ackTimeout)
    : m_link(link), m_log(log), m_ackTimeout(ackTimeout)
{}

bool Bootloader::EnsurePortOpen()
{
    m_replyBytes.clear();
    SerialControl& port = m_link.M();
    if (!port.PortOpen()) {
        try {
            port.setPortOpen(true);
        } catch (const PortError&) {
            m_log.AddLog(QStringLiteral("Connection refused."));
            return false;
        }
    }
    m_log.AddLog(QStringLiteral("Connection established."));
    return true;
}

bool Bootloader::ResetDevice()
{
    const bool opened = EnsurePortOpen();
    if (m_link.M().PortOpen())
        m_link.M().Output(QByteArrayLiteral("G"));
    PauseMs(100);
    m_log.AddLog(QStringLiteral("Device Reset."));
    return opened;
}

BootWait Bootloader::afterOpening(bool opened, BootWait wait)
{
    if (!opened)
        wait.ending = BootWait::Refused;
    return wait;
}

BootWait Bootloader::CheckBootloaderVersion()
{
    m_log.AddLog(QStringLiteral("Checking Bootloader version..."));
    SendBootCommand(QByteArrayLiteral("+V"));
    return WaitBootReply();
}

BootWait Bootloader::EraseFlash()
{
    const bool opened = EnsurePortOpen();
    m_log.AddLog(QStringLiteral("Erasing Flash Memory..."));
    SendBootCommand(QByteArrayLiteral("+E"));
    return afterOpening(opened, WaitBootReply());
}

BootWait Bootloader::RunApplication()
{
    const bool opened = EnsurePortOpen();
    m_log.AddLog(QStringLiteral("Running Application..."));
    SendBootCommand(QByteArrayLiteral("+R"));
    return afterOpening(opened, WaitBootReply());
}

void Bootloader::SendBootCommand(const QByteArray& bytes)
{
    // Whatever arrived before the command (the rest of an earlier reply, a measurement frame
    // answered late to the last data request) is no reply to it.
    SerialControl& port = m_link.M();
    if (port.PortOpen())
        port.Input();
    m_replyBytes.clear();
    m_link.SendCommand(bytes);
}

void Bootloader::setReplyTimeout(int milliseconds)
{
    m_replyTimeoutMs = milliseconds;
}

BootWait Bootloader::WaitBootReply()
{
    m_replyBytes.clear();
    SerialControl& port = m_link.M();
    QTimer deadline;
    deadline.setSingleShot(true);
    // A coarse timer may run out up to 5 % early; the deadline is the time the operator set.
    deadline.setTimerType(Qt::PreciseTimer);
    if (m_replyTimeoutMs > 0)
        deadline.start(m_replyTimeoutMs);
    for (;;) {
        if (!port.PortOpen())
            return BootWait{BootWait::PortClosed, {}};
        m_replyBytes.append(port.Input());
        // The parser drops the noise before a reply; the reply itself stays at the head.
        const BootReply reply = ParseBootReply(m_replyBytes);
        if (act(reply))
            return BootWait{BootWait::Replied, reply};
        if (m_replyTimeoutMs > 0 && !deadline.isActive()) {
            m_log.AddLog(QStringLiteral("No reply from the bootloader within %1 s.")
                             .arg(SecondsText(m_replyTimeoutMs / 1000.0)));
            return BootWait{BootWait::TimedOut, {}};
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
        m_bootFamily = BootFamilyFor(reply.code, m_bootFamily);
        m_log.AddLog(QStringLiteral("Veltis Bootloader Version ") + BootVersionText(reply.code) +
                     QStringLiteral(" (") + m_bootFamily + QStringLiteral(")."));
        return true;
    case BootReply::Erased:
        m_log.AddLog(QStringLiteral("Flash Erased successfully."));
        return true;
    case BootReply::FReply:
        return true;
    case BootReply::Acknowledged:
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
