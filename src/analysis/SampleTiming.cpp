#include "analysis/SampleTiming.h"

#include <algorithm>
#include <cmath>
#include <vector>

SampleTiming sampleTiming(std::span<const double> seconds)
{
    SampleTiming t;
    t.samples = seconds.size();
    if (seconds.size() < 2)
        return t;
    std::vector<double> intervals;
    intervals.reserve(seconds.size() - 1);
    double sum = 0;
    for (std::size_t i = 1; i < seconds.size(); ++i) {
        const double d = seconds[i] - seconds[i - 1];
        intervals.push_back(d);
        sum += d;
        t.largestInterval = std::max(t.largestInterval, d);
    }
    const double n = double(intervals.size());
    t.meanInterval = sum / n;
    double squares = 0;
    for (double d : intervals)
        squares += (d - t.meanInterval) * (d - t.meanInterval);
    t.intervalDeviation = std::sqrt(squares / n);
    std::vector<double> sorted = intervals;
    const auto middle = sorted.begin() + std::ptrdiff_t(sorted.size() / 2);
    std::nth_element(sorted.begin(), middle, sorted.end());
    t.gapThreshold = SampleTiming::GapIntervals * *middle;
    t.gaps = std::size_t(std::count_if(intervals.begin(), intervals.end(),
                                       [&](double d) { return d > t.gapThreshold; }));
    return t;
}

SampleStretch longestStretch(std::span<const double> seconds, double gapThreshold)
{
    SampleStretch best;
    std::size_t first = 0;
    for (std::size_t i = 0; i <= seconds.size(); ++i) {
        const bool ends =
            i == seconds.size() || (i > first && seconds[i] - seconds[i - 1] > gapThreshold);
        if (!ends)
            continue;
        if (i - first > best.count) {
            best.first = first;
            best.count = i - first;
        }
        first = i;
    }
    if (best.count >= 2)
        best.meanInterval =
            (seconds[best.first + best.count - 1] - seconds[best.first]) / double(best.count - 1);
    return best;
}
