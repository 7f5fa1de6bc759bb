#pragma once

#include "Motion.h"
#include "Options.h"

#include <cstdint>

// What a real board's sensors add to the motion: the hard and soft iron that distort the
// field it measures (raw = A * field + h), white noise on every accelerometer, gyrometer and
// magnetometer value, and a rate bias that wanders as a random walk. Deterministic: the same
// options and sample times give the same values.
class SensorErrors
{
public:
    explicit SensorErrors(const Options& options);

    // The sample as the board's sensors read it at `seconds`.
    void apply(SensorSample& sample, double seconds);

private:
    double gaussian();
    std::uint64_t nextBits();

    const Options& m_options;
    std::uint64_t m_state = 0x5EED5EED5EED5EEDull;
    double m_rateBias[3] = {0, 0, 0};
    double m_lastSeconds = 0;
    bool m_started = false;
};
