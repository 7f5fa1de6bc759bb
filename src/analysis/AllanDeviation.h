#pragma once

#include <span>
#include <vector>

// How the samples of a series are read: as rates ("frequency" data: gyro rates, any value
// sampled at a fixed interval) or as their integral ("phase" data: angles).
enum class AllanInput
{
    Rate,
    Phase
};

// One point of an Allan deviation curve.
struct AllanPoint
{
    // Averaging factor m and time tau = m * tau0, in seconds.
    long long m = 0;
    double tau = 0;
    double adev = 0;
    // Terms of the sum behind the point (second differences of the phase).
    long long count = 0;
    // The band adev * (1 -+ 1/sqrt(n/m)), n the rate samples: the simple confidence interval
    // that needs no noise model.
    double low = 0;
    double high = 0;
};

// Averaging factors about perDecade to a decade, from 1 up to a quarter of the rate samples
// (so every point rests on at least four averages), each once, ascending.
std::vector<long long> allanFactors(long long rateSamples, int perDecade = 10);

// The overlapping Allan deviation of samples taken every tau0 seconds:
//   sigma^2(m tau0) = sum (x[i+2m] - 2 x[i+m] + x[i])^2 / (2 (m tau0)^2 (N - 2m)),
// over the N phase values x (rates are integrated first, x[0] = 0). Empty with fewer than
// four rate samples or a tau0 that is not positive.
std::vector<AllanPoint> overlappingAllan(std::span<const double> samples, double tau0,
                                         AllanInput input);
