#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The program attached to the virtual board and polling it, measured from outside: the CPU
// time it takes over a stretch of wall time, after a warm-up that leaves start-up out.
struct CpuShareSetup
{
    QString program;
    QString boardSim;
    QString rate = QStringLiteral("33ms");
    // Extra options of the virtual board, e.g. {"--baud", "921600"} for a wire that carries
    // a high polling rate.
    QStringList boardArguments;
    // Off: the port is open and read, but the board is not polled.
    bool dataCommunication = true;
    int warmUpSeconds = 3;
    int seconds = 10;
    // What this process does for the measured stretch of the given length (by default it
    // sleeps), e.g. draw a reference load under the same conditions as the program.
    std::function<void(int ms)> during;
};

struct CpuShare
{
    bool ok = false;
    QString error;
    double wallSeconds = 0;
    double programCpuSeconds = 0;
    double boardCpuSeconds = 0;
    // Bytes the board received during the stretch: one per "F" request.
    qint64 requests = 0;

    double programPercent() const { return 100.0 * programCpuSeconds / wallSeconds; }
    double boardPercent() const { return 100.0 * boardCpuSeconds / wallSeconds; }
    double requestsPerSecond() const { return double(requests) / wallSeconds; }
};

// Fails (ok false) when the board or the program does not start, the program ends early, or
// (with data communication on) the board hears no request during the stretch.
CpuShare MeasureProgramCpu(const CpuShareSetup& setup);
