#include "support/program/XServer.h"

#include <QElapsedTimer>

PrivateXServer::~PrivateXServer()
{
    if (m_display.isEmpty())
        return;
    m_server.terminate();
    if (!m_server.waitForFinished(5000))
        m_server.kill();
    m_server.waitForFinished(5000);
    qputenv("DISPLAY", m_previous);
}

bool PrivateXServer::start(QString& error)
{
    // Xvfb picks a free display itself and writes its number once it accepts clients: a
    // socket file alone can be there before the server takes connections. No reset when the
    // last client leaves: the test's own look for a window is a client that comes and goes,
    // and a program connecting while the server resets finds no server.
    m_server.setProcessChannelMode(QProcess::SeparateChannels);
    m_server.setStandardErrorFile(QProcess::nullDevice());
    m_server.start(QStringLiteral("Xvfb"),
                   {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                    QStringLiteral("0"), QStringLiteral("1280x1024x24"),
                    QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                    QStringLiteral("-noreset")});
    if (!m_server.waitForStarted(5000)) {
        error = QStringLiteral("Xvfb did not start: %1").arg(m_server.errorString());
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    QByteArray number;
    while (!number.endsWith('\n') && m_server.state() == QProcess::Running &&
           clock.elapsed() < 10000) {
        m_server.waitForReadyRead(int(10000 - clock.elapsed()));
        number += m_server.readAllStandardOutput();
    }
    bool ok = false;
    const int n = number.trimmed().toInt(&ok);
    if (!ok) {
        error = QStringLiteral("Xvfb gave no display number within 10 s");
        return false;
    }
    m_display = QStringLiteral(":%1").arg(n);
    m_previous = qgetenv("DISPLAY");
    qputenv("DISPLAY", m_display.toLocal8Bit());
    return true;
}
