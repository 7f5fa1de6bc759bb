#include "CliBoard.h"

#include "CliExit.h"
#include "CliLog.h"
#include "Terminal.h"

#include <QTimer>

namespace {
BoardSession::Parts partsFor(CliLog& log, FlashProgress* progress, const QString& firmwarePath)
{
    BoardSession::Parts parts(log);
    parts.progress = progress;
    parts.firmwarePath = [firmwarePath] { return firmwarePath; };
    return parts;
}
} // namespace

CliBoard::CliBoard(Terminal& terminal, CliLog& log, FlashProgress* progress,
                   const QString& firmwarePath)
    : session(partsFor(log, progress, firmwarePath)), m_terminal(terminal), m_log(log)
{
    connect(&session, &BoardSession::lost, this, [this] {
        m_lostLine = m_log.last();
        stop();
    });
}

bool CliBoard::open(const QString& port, const QString& speed)
{
    m_portName = port;
    if (!session.OpenPort(port, speed)) {
        m_terminal.error(QStringLiteral("cannot open port %1: %2")
                             .arg(port, session.link().lastError().description));
        return false;
    }
    return true;
}

bool CliBoard::run(int timeoutMs)
{
    if (session.linkLost())
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

void CliBoard::stop()
{
    if (m_loop)
        m_loop->quit();
}

int CliBoard::reportLost()
{
    m_terminal.error(m_lostLine);
    return ExitPortTrouble;
}
