#include "BareExchange.h"

#include "common/Figures.h"
#include "common/ListeningBoard.h"
#include "common/ProcStat.h"
#include "core/Pause.h"

#include <QElapsedTimer>
#include <QProcess>

ExchangeFloor BareExchange(const QString& boardSim, const QStringList& boardArguments, int pollMs,
                           int warmUpSeconds, int seconds)
{
    ExchangeFloor floor;
    ListeningBoard board;
    if (!board.start(boardSim, boardArguments)) {
        floor.error = board.error();
        return floor;
    }
    QProcess exchange;
    exchange.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    exchange.start(BuiltProgram(QStringLiteral("bench_bare_exchange")),
                   {board.portPath(), QString::number(pollMs)});
    if (!exchange.waitForStarted()) {
        floor.error =
            QStringLiteral("bench_bare_exchange did not start: ") + exchange.errorString();
        return floor;
    }
    const qint64 pid = exchange.processId();
    PauseMs(warmUpSeconds * 1000);
    const qint64 heard0 = board.heard();
    const double cpu0 = ProcessCpuSeconds(pid);
    QElapsedTimer wall;
    wall.start();
    PauseMs(seconds * 1000);
    const double cpu1 = ProcessCpuSeconds(pid);
    const double wallSeconds = double(wall.nsecsElapsed()) / 1e9;
    const qint64 heard = board.heard() - heard0;
    const bool ran = exchange.state() == QProcess::Running;
    exchange.terminate();
    if (!exchange.waitForFinished(5000))
        exchange.kill();
    if (!ran || cpu0 < 0 || cpu1 < 0) {
        floor.error = QStringLiteral("bench_bare_exchange ended during the measurement");
        return floor;
    }
    if (heard <= 0) {
        floor.error = QStringLiteral("the board heard no request");
        return floor;
    }
    floor.ok = true;
    floor.percent = 100.0 * (cpu1 - cpu0) / wallSeconds;
    floor.requestsPerSecond = double(heard) / wallSeconds;
    return floor;
}
