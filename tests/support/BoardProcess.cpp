#include "support/BoardProcess.h"

#include <QDeadlineTimer>
#include <QTest>

BoardProcess::BoardProcess(const QStringList& arguments)
{
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start(program(), arguments);
    if (!m_process.waitForStarted(5000))
        return;
    QDeadlineTimer deadline(5000);
    while (!m_process.canReadLine() && !deadline.hasExpired())
        m_process.waitForReadyRead(int(deadline.remainingTime()));
    m_portPath = QString::fromLocal8Bit(m_process.readLine()).trimmed();
}

BoardProcess::~BoardProcess()
{
    kill();
}

QString BoardProcess::program()
{
    return qEnvironmentVariable("SKYVANE_BIN_DIR") + QStringLiteral("/board-sim");
}

bool BoardProcess::waitForEnd(int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (m_process.state() != QProcess::NotRunning && !deadline.hasExpired())
        QTest::qWait(20);
    return m_process.state() == QProcess::NotRunning;
}

void BoardProcess::kill()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}
