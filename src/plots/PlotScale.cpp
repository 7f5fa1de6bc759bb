#include "plots/PlotScale.h"

#include <algorithm>
#include <cmath>

namespace {

// About this many steps between the ends.
constexpr double kSteps = 4.0;

double niceStep(double raw)
{
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    const double fraction = raw / power;
    const double nice = fraction <= 1.0   ? 1.0
                        : fraction <= 2.0 ? 2.0
                        : fraction <= 5.0 ? 5.0
                                          : 10.0;
    return nice * power;
}

} // namespace

AxisRange niceRange(double low, double high)
{
    if (!(low <= high) || !std::isfinite(low) || !std::isfinite(high))
        return {-1.0, 1.0, 0.5};
    double room = (high - low) * 0.05;
    if (room <= 0)
        room = std::max(std::fabs(low) * 0.05, 0.5);
    const double step = niceStep((high - low + 2 * room) / kSteps);
    return {std::floor((low - room) / step) * step, std::ceil((high + room) / step) * step, step};
}
