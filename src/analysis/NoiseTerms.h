#pragma once

#include "analysis/AllanDeviation.h"

#include <vector>

// One noise term read off an Allan deviation curve; not reached where the curve does not show
// the slope (or the minimum) the term is read from.
struct NoiseTerm
{
    bool reached = false;
    double value = 0;
    // Where the term is read: 1 s for N, the minimum's tau for B, 3 s for K.
    double tau = 0;
};

// The noise terms of a rate channel as IEEE Std 952 reads them off the Allan deviation:
//  - N, the random walk (white rate noise): the -1/2 slope line at tau = 1 s;
//  - B, the bias instability: the curve's minimum sigma_min / 0.664, with its tau;
//  - K, the rate random walk: the +1/2 slope line at tau = 3 s.
// A slope line counts only where the curve follows it over at least MinimumRun points in a
// row (local slope within SlopeTolerance of -1/2 or +1/2, among points whose band is within
// TrustedBand); the minimum only where the curve rises clear of its band on both sides.
struct NoiseTerms
{
    static constexpr double SlopeTolerance = 0.125;
    static constexpr double SlopeWindowDecades = 0.3;
    static constexpr double TrustedBand = 0.25;
    static constexpr int MinimumRun = 3;
    // sigma = 0.664 B at the flat of flicker rate noise.
    static constexpr double FlickerFloor = 0.664;

    NoiseTerm randomWalk;
    NoiseTerm biasInstability;
    NoiseTerm rateRandomWalk;
};

NoiseTerms readNoiseTerms(const std::vector<AllanPoint>& curve);

// The local slope of log sigma against log tau at each point (least squares over the trusted
// points within SlopeWindowDecades); NaN where fewer than three points are at hand.
std::vector<double> localSlopes(const std::vector<AllanPoint>& curve);
