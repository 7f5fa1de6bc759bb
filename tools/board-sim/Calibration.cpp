#include "Calibration.h"

#include <cmath>

Calibration::Calibration(double stepSeconds) : m_stepSeconds(stepSeconds) {}

QList<int> Calibration::steps(Kind kind)
{
    switch (kind) {
    case Kind::Accelerometers:
        return {1, 2, 3, 2, 4, 2, 5, 2, 6, 2, 7, 2, 8};
    case Kind::Gyrometers:
        return {9, 10, 11, 10, 12, 10, 8};
    case Kind::Magnetometers:
        return {13, 2, 8};
    }
    return {};
}

void Calibration::start(Kind kind, double now)
{
    m_steps = steps(kind);
    m_startedAt = now;
}

void Calibration::stop()
{
    m_steps.clear();
}

int Calibration::stepCode(double now) const
{
    if (m_steps.isEmpty() || now < m_startedAt)
        return 0;
    const double index = std::floor((now - m_startedAt) / m_stepSeconds);
    if (index >= static_cast<double>(m_steps.size()))
        return 0;
    return m_steps[static_cast<qsizetype>(index)];
}
