#include "analysis/NoiseTerms.h"

#include <cmath>
#include <limits>

namespace {

bool trusted(const AllanPoint& p)
{
    return p.adev > 0 && (p.high - p.adev) <= NoiseTerms::TrustedBand * p.adev;
}

// The slope line through the longest run of points that follow it, evaluated at atTau.
NoiseTerm slopeLine(const std::vector<AllanPoint>& curve, const std::vector<double>& slopes,
                    double slope, double atTau)
{
    std::size_t bestFirst = 0, bestLength = 0;
    std::size_t first = 0, length = 0;
    for (std::size_t i = 0; i < curve.size(); ++i) {
        const bool follows = std::fabs(slopes[i] - slope) <= NoiseTerms::SlopeTolerance;
        if (!follows) {
            length = 0;
            continue;
        }
        if (length == 0)
            first = i;
        if (++length > bestLength) {
            bestFirst = first;
            bestLength = length;
        }
    }
    NoiseTerm term;
    term.tau = atTau;
    if (bestLength < std::size_t(NoiseTerms::MinimumRun))
        return term;
    // The line of the given slope that fits the run best in log-log: its mean offset.
    double offset = 0;
    for (std::size_t i = bestFirst; i < bestFirst + bestLength; ++i)
        offset += std::log(curve[i].adev) - slope * std::log(curve[i].tau);
    offset /= double(bestLength);
    term.reached = true;
    term.value = std::exp(offset + slope * std::log(atTau));
    return term;
}

} // namespace

std::vector<double> localSlopes(const std::vector<AllanPoint>& curve)
{
    std::vector<double> slopes(curve.size(), std::numeric_limits<double>::quiet_NaN());
    for (std::size_t i = 0; i < curve.size(); ++i) {
        if (!trusted(curve[i]))
            continue;
        const double centre = std::log10(curve[i].tau);
        double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
        for (const AllanPoint& p : curve) {
            const double x = std::log10(p.tau);
            if (!trusted(p) || std::fabs(x - centre) > NoiseTerms::SlopeWindowDecades + 1e-9)
                continue;
            const double y = std::log10(p.adev);
            n += 1;
            sx += x;
            sy += y;
            sxx += x * x;
            sxy += x * y;
        }
        const double spread = sxx - sx * sx / n;
        if (n >= 3 && spread > 0)
            slopes[i] = (sxy - sx * sy / n) / spread;
    }
    return slopes;
}

NoiseTerms readNoiseTerms(const std::vector<AllanPoint>& curve)
{
    NoiseTerms terms;
    const std::vector<double> slopes = localSlopes(curve);
    terms.randomWalk = slopeLine(curve, slopes, -0.5, 1.0);
    terms.rateRandomWalk = slopeLine(curve, slopes, 0.5, 3.0);

    std::size_t lowest = 0;
    for (std::size_t i = 1; i < curve.size(); ++i)
        if (curve[i].adev < curve[lowest].adev)
            lowest = i;
    if (curve.empty() || !(curve[lowest].adev > 0))
        return terms;
    // A minimum is a floor only where the curve stands clear above it on both sides: a point
    // whose band lies wholly above the minimum's band.
    const double ceiling = curve[lowest].high;
    bool before = false, after = false;
    for (std::size_t i = 0; i < curve.size(); ++i) {
        if (curve[i].low > ceiling)
            (i < lowest ? before : after) = true;
    }
    terms.biasInstability.tau = curve[lowest].tau;
    if (before && after) {
        terms.biasInstability.reached = true;
        terms.biasInstability.value = curve[lowest].adev / NoiseTerms::FlickerFloor;
    }
    return terms;
}
