#include "analysis/AllanDeviation.h"

#include <cmath>

std::vector<long long> allanFactors(long long rateSamples, int perDecade)
{
    std::vector<long long> factors;
    if (perDecade < 1)
        return factors;
    for (int k = 0;; ++k) {
        const long long m = std::llround(std::pow(10.0, double(k) / perDecade));
        if (4 * m > rateSamples)
            break;
        if (factors.empty() || m > factors.back())
            factors.push_back(m);
    }
    return factors;
}

std::vector<AllanPoint> overlappingAllan(std::span<const double> samples, double tau0,
                                         AllanInput input)
{
    std::vector<AllanPoint> curve;
    if (!(tau0 > 0) || !std::isfinite(tau0))
        return curve;
    // The phase, without its mean slope: a constant rate (a gyro's bias, the field's mean)
    // cancels in the second differences, and removing it keeps the sums small, so nothing
    // is lost to rounding over a long recording.
    std::vector<double> x;
    if (input == AllanInput::Rate) {
        if (samples.empty())
            return curve;
        double mean = 0;
        for (double y : samples)
            mean += y;
        mean /= double(samples.size());
        x.reserve(samples.size() + 1);
        double sum = 0;
        x.push_back(0);
        for (double y : samples) {
            sum += (y - mean) * tau0;
            x.push_back(sum);
        }
    } else {
        if (samples.size() < 2)
            return curve;
        const double slope = (samples.back() - samples.front()) / double(samples.size() - 1);
        x.reserve(samples.size());
        for (std::size_t i = 0; i < samples.size(); ++i)
            x.push_back(samples[i] - samples.front() - slope * double(i));
    }
    const long long phases = (long long)x.size();
    const long long rates = phases - 1;
    for (long long m : allanFactors(rates)) {
        const long long terms = phases - 2 * m;
        double sum = 0;
        for (long long i = 0; i < terms; ++i) {
            const double d =
                x[std::size_t(i + 2 * m)] - 2 * x[std::size_t(i + m)] + x[std::size_t(i)];
            sum += d * d;
        }
        const double tau = double(m) * tau0;
        AllanPoint p;
        p.m = m;
        p.tau = tau;
        p.count = terms;
        p.adev = std::sqrt(sum / (2.0 * tau * tau * double(terms)));
        const double band = std::sqrt(double(m) / double(rates));
        p.low = p.adev * (1 - band);
        p.high = p.adev * (1 + band);
        curve.push_back(p);
    }
    return curve;
}
