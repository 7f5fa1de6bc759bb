#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// The program's window in this process, attached to the virtual board and polling it at a
// high rate: how many frames are decoded per second, whether the receive buffer keeps up,
// and how old the shown frame is at the end of each redraw (from its decoding, which happens
// as its bytes arrive, to the end of the redraw that shows it).
struct HighRateFigures
{
    bool ok = false;
    QString error;
    double seconds = 0;
    long long decoded = 0;
    long long redraws = 0;
    long long requests = 0;
    long long largestBacklog = 0;
    long long endBacklog = 0;
    std::vector<double> shownAgeMs;

    double decodedPerSecond() const { return double(decoded) / seconds; }
    double redrawsPerSecond() const { return double(redraws) / seconds; }
};

HighRateFigures MeasureHighRate(const QString& boardSim, const QString& rate,
                                const QStringList& boardArguments, int warmUpSeconds, int seconds);
