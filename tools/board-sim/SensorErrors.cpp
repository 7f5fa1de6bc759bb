#include "SensorErrors.h"

#include <algorithm>
#include <cmath>
#include <numbers>

SensorErrors::SensorErrors(const Options& options) : m_options(options) {}

// splitmix64: a small generator whose sequence is the same on every platform.
std::uint64_t SensorErrors::nextBits()
{
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double SensorErrors::gaussian()
{
    // Box-Muller from two uniforms in (0, 1].
    const double u1 = (double(nextBits() >> 11) + 1.0) / 9007199254740992.0;
    const double u2 = double(nextBits() >> 11) / 9007199254740992.0;
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * std::numbers::pi * u2);
}

void SensorErrors::apply(SensorSample& s, double seconds)
{
    const double field[3] = {s.hx, s.hy, s.hz};
    double raw[3] = {field[0], field[1], field[2]};
    if (m_options.softIron) {
        const auto& a = *m_options.softIron;
        for (std::size_t r = 0; r < 3; ++r)
            raw[r] = a[3 * r] * field[0] + a[3 * r + 1] * field[1] + a[3 * r + 2] * field[2];
    }
    if (m_options.hardIron)
        for (int r = 0; r < 3; ++r)
            raw[r] += (*m_options.hardIron)[std::size_t(r)];

    if (m_options.rateWalk > 0) {
        const double step = m_started ? std::max(0.0, seconds - m_lastSeconds) : 0.0;
        for (double& bias : m_rateBias)
            bias += m_options.rateWalk * std::sqrt(step) * gaussian();
        m_started = true;
        m_lastSeconds = seconds;
    }
    const double sigma = m_options.sensorNoise;
    for (int r = 0; r < 3; ++r) {
        s.rates[r] += m_rateBias[r];
        if (sigma > 0) {
            raw[r] += sigma * gaussian();
            s.rates[r] += sigma * gaussian();
            s.accel[r] += sigma * gaussian();
        }
    }
    s.hx = raw[0];
    s.hy = raw[1];
    s.hz = raw[2];
}
