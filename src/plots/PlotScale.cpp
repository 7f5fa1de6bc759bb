#include "plots/PlotScale.h"

#include <algorithm>
#include <cmath>

namespace {

// At most this many steps between the ends, so the labels do not crowd a short chart.
constexpr double kMostSteps = 6.0;

} // namespace

AxisRange niceRange(double low, double high)
{
    if (!(low <= high) || !std::isfinite(low) || !std::isfinite(high))
        return {-1.0, 1.0, 0.5};
    double room = (high - low) * 0.05;
    if (room <= 0)
        room = std::max(std::fabs(low) * 0.05, 0.5);
    const double bottom = low - room;
    const double top = high + room;
    if (!std::isfinite(top - bottom))
        return {-1.0, 1.0, 0.5};
    // The smallest of 1, 2 and 5 times a power of ten that needs no more than kMostSteps.
    double power = std::pow(10.0, std::floor(std::log10((top - bottom) / kMostSteps)));
    for (;; power *= 10) {
        for (double nice : {1.0, 2.0, 5.0}) {
            const double step = nice * power;
            const double first = std::floor(bottom / step) * step;
            const double last = std::ceil(top / step) * step;
            if ((last - first) / step <= kMostSteps + 1e-9)
                return {first, last, step};
        }
    }
}
