#pragma once

#include <QList>

// The board's own calibration runs: a fixed walk through step codes, each held for the same
// time, ending on code 0. The code is reported in every F frame.
class Calibration
{
public:
    enum class Kind
    {
        Accelerometers,
        Gyrometers,
        Magnetometers
    };

    explicit Calibration(double stepSeconds);

    // Starts (or restarts) a run at `now` seconds.
    void start(Kind kind, double now);
    void stop();
    // The step code at `now`: 0 when no run is going or the run has ended.
    int stepCode(double now) const;

    static QList<int> steps(Kind kind);

private:
    double m_stepSeconds;
    QList<int> m_steps;
    double m_startedAt = 0;
};
