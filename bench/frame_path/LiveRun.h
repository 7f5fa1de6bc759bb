#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// The program's window in this process, attached to the virtual board and polling it: how
// many frames are decoded per second, how often each view really draws, whether the receive
// buffer keeps up, and how old the shown frame is at the end of each drawing pass (from its
// decoding, which happens as its bytes arrive, to the end of the pass that shows it).
struct LiveRunFigures
{
    bool ok = false;
    QString error;
    double seconds = 0;
    long long decoded = 0;
    long long redraws = 0;
    // Pictures the horizon and the dials drew, and new texts of the sensor box.
    long long horizonPictures = 0;
    long long routePictures = 0;
    long long dialPictures = 0;
    long long textChanges = 0;
    long long requests = 0;
    long long largestBacklog = 0;
    long long endBacklog = 0;
    std::vector<double> shownAgeMs;

    double decodedPerSecond() const { return double(decoded) / seconds; }
    double redrawsPerSecond() const { return double(redraws) / seconds; }
    double perSecond(long long count) const { return double(count) / seconds; }
};

LiveRunFigures MeasureLiveRun(const QString& boardSim, const QString& rate,
                              const QStringList& boardArguments, int warmUpSeconds, int seconds);
