#include "CliSession.h"

#include "CliExit.h"
#include "CliLog.h"
#include "Terminal.h"
#include "protocol/ReceiveTick.h"

#include <QTimer>

CliSession::CliSession(Terminal& terminal, CliLog& log)
    : m_terminal(terminal), m_log(log), m_decoder(m_view, QLatin1Char('.')), m_dispatch(m_decoder),
      m_receiver(m_dispatch), m_link(m_port, m_log, m_receiver.RxBuffer()),
      m_commands(m_link, m_receiver.RxBuffer()), m_timer2(QStringLiteral("Timer2"), 1, false),
      m_timer12(QStringLiteral("Timer12"), 33, false)
{
    connect(&m_timer2, &WindowTimer::Timer, this, [this] { ReceiveTick(m_port, m_receiver); });
    connect(&m_link, &PortLink::lost, this, &CliSession::onLost);
}

bool CliSession::open(const QString& port, const QString& speed)
{
    m_portName = port;
    if (!m_link.OpenPort(port, speed)) {
        m_terminal.error(
            QStringLiteral("cannot open port %1: %2").arg(port, m_link.lastError().description));
        return false;
    }
    m_timer2.setEnabled(true);
    return true;
}

bool CliSession::run(int timeoutMs)
{
    if (m_lost)
        return true;
    QEventLoop loop;
    QTimer timeout;
    bool timedOut = false;
    if (timeoutMs >= 0) {
        timeout.setSingleShot(true);
        connect(&timeout, &QTimer::timeout, &loop, [&] {
            timedOut = true;
            loop.quit();
        });
        timeout.start(timeoutMs);
    }
    QEventLoop* outer = m_loop;
    m_loop = &loop;
    loop.exec();
    m_loop = outer;
    return !timedOut;
}

void CliSession::stop()
{
    if (m_loop)
        m_loop->quit();
}

void CliSession::onLost()
{
    m_lost = true;
    m_timer2.setEnabled(false);
    m_timer12.setEnabled(false);
    m_lostLine = m_log.last();
    stop();
}

int CliSession::reportLost()
{
    m_terminal.error(m_lostLine);
    return ExitPortTrouble;
}
