#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>

// Normal deviates from a seed, the same on every platform and standard library (splitmix64
// and Box-Muller), so a test's noise is the same wherever it runs.
class NoiseSource
{
public:
    explicit NoiseSource(std::uint64_t seed) : m_state(seed) {}

    double uniform() { return double(next() >> 11) / 9007199254740992.0; }
    double gaussian()
    {
        const double u1 = (double(next() >> 11) + 1.0) / 9007199254740992.0;
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * std::numbers::pi * uniform());
    }

private:
    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    std::uint64_t m_state;
};
