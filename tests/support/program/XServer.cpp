#include "support/program/XServer.h"

#include "core/Pause.h"

#include <QElapsedTimer>
#include <QFileInfo>

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
    for (int n = 150; n < 250; ++n) {
        const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(n);
        if (QFileInfo::exists(socket) || QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
            continue;
        const QString display = QStringLiteral(":%1").arg(n);
        m_server.start(QStringLiteral("Xvfb"),
                       {display, QStringLiteral("-screen"), QStringLiteral("0"),
                        QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                        QStringLiteral("tcp")});
        if (!m_server.waitForStarted(5000)) {
            error = QStringLiteral("Xvfb did not start: %1").arg(m_server.errorString());
            return false;
        }
        // The server is up once its socket is there; one that ends at once lost the display
        // to another server starting at the same moment.
        QElapsedTimer clock;
        clock.start();
        while (!QFileInfo::exists(socket) && m_server.state() == QProcess::Running &&
               clock.elapsed() < 10000)
            PauseMs(20);
        if (m_server.state() != QProcess::Running)
            continue;
        if (!QFileInfo::exists(socket)) {
            error = QStringLiteral("Xvfb %1 made no socket within 10 s").arg(display);
            return false;
        }
        m_display = display;
        m_previous = qgetenv("DISPLAY");
        qputenv("DISPLAY", display.toLocal8Bit());
        return true;
    }
    error = QStringLiteral("no free X display from :150 to :249");
    return false;
}
