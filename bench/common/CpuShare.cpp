#include "common/CpuShare.h"

#include "common/ListeningBoard.h"
#include "common/ProcStat.h"
#include "core/Pause.h"
#include "support/program/ProgramRun.h"

#include <QElapsedTimer>

CpuShare MeasureProgramCpu(const CpuShareSetup& setup)
{
    CpuShare result;
    ListeningBoard board;
    if (!board.start(setup.boardSim, setup.boardArguments)) {
        result.error = board.error();
        return result;
    }
    ProgramRun program;
    if (!program.start(setup.program, board.portPath(), setup.rate, setup.dataCommunication)) {
        result.error = program.error();
        return result;
    }
    PauseMs(setup.warmUpSeconds * 1000);
    if (!program.running()) {
        result.error = QStringLiteral("the program ended during the warm-up");
        return result;
    }

    QElapsedTimer wall;
    const qint64 received0 = board.heard();
    const double cpu0 = ProcessCpuSeconds(program.pid());
    const double board0 = ProcessCpuSeconds(board.pid());
    wall.start();
    if (setup.during)
        setup.during(setup.seconds * 1000);
    else
        PauseMs(setup.seconds * 1000);
    const double cpu1 = ProcessCpuSeconds(program.pid());
    const double board1 = ProcessCpuSeconds(board.pid());
    result.wallSeconds = double(wall.nsecsElapsed()) / 1e9;
    result.requests = board.heard() - received0;

    if (!program.running() || cpu0 < 0 || cpu1 < 0) {
        result.error = QStringLiteral("the program ended during the measurement");
        return result;
    }
    result.programCpuSeconds = cpu1 - cpu0;
    result.boardCpuSeconds = board1 - board0;
    if (setup.dataCommunication && result.requests <= 0) {
        result.error = QStringLiteral("the board heard no request: the program is not polling it");
        return result;
    }
    result.ok = true;
    return result;
}
