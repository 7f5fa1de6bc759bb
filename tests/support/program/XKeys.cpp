#include "support/program/XKeys.h"

#include "core/Pause.h"
#include "support/program/WindowClose.h"

#include <QElapsedTimer>
#include <QProcess>

bool PressKeys(qint64 pid, const QString& title, const QString& keys, QString& error, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    quint64 window = FindWindow(pid, title);
    // A window that is about to be shown: looked for again every 50 ms.
    while (!window && clock.elapsed() < timeoutMs) {
        PauseMs(50);
        window = FindWindow(pid, title);
    }
    if (!window) {
        error = QStringLiteral("no window \"%1\" of process %2 within %3 ms")
                    .arg(title)
                    .arg(pid)
                    .arg(timeoutMs);
        return false;
    }
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"),
                  {QStringLiteral("windowfocus"), QString::number(window), QStringLiteral("key"),
                   QStringLiteral("--clearmodifiers"), keys});
    if (!xdotool.waitForFinished(10000) || xdotool.exitCode() != 0) {
        error =
            QStringLiteral("xdotool: %1 %2")
                .arg(xdotool.errorString(), QString::fromLocal8Bit(xdotool.readAllStandardError()));
        return false;
    }
    return true;
}
