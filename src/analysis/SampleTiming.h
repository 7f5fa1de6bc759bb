#pragma once

#include <cstddef>
#include <span>

// The intervals between a series' samples. A recording's times are when the host received
// each frame, not the board's clock, so the intervals jitter and a stall of the host or the
// link leaves a gap.
struct SampleTiming
{
    // A gap is an interval longer than this many typical (median) intervals.
    static constexpr double GapIntervals = 5.0;

    std::size_t samples = 0;
    double meanInterval = 0;
    double intervalDeviation = 0;
    double largestInterval = 0;
    // GapIntervals times the median interval; 0 with fewer than two samples.
    double gapThreshold = 0;
    std::size_t gaps = 0;
};

// The stretch of samples an analysis uses: the longest run without a gap (the whole series
// when it has none).
struct SampleStretch
{
    std::size_t first = 0;
    std::size_t count = 0;
    // Mean interval inside the stretch: the tau0 of an analysis.
    double meanInterval = 0;
};

SampleTiming sampleTiming(std::span<const double> seconds);
SampleStretch longestStretch(std::span<const double> seconds, double gapThreshold);
