#include "plots/FieldFit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

// Directions over which the extent is measured: every 5 degrees over half a turn. Near the
// widest and narrowest direction the width changes only with the square of the angle, so the
// ratio of an ellipse is off by at most about 0.1 % of (ratio^2 - 1).
constexpr int ExtentDirections = 36;

struct Direction
{
    double c, s;
};

const std::array<Direction, ExtentDirections>& directions()
{
    static const std::array<Direction, ExtentDirections> table = [] {
        std::array<Direction, ExtentDirections> t{};
        for (int i = 0; i < ExtentDirections; ++i) {
            const double a = std::numbers::pi * i / ExtentDirections;
            t[std::size_t(i)] = {std::cos(a), std::sin(a)};
        }
        return t;
    }();
    return table;
}

int sectorOf(double dx, double dy)
{
    double degrees = std::atan2(dy, dx) * 180.0 / std::numbers::pi;
    if (degrees < 0)
        degrees += 360.0;
    return std::clamp(int(degrees / 10.0), 0, FieldFit::Sectors - 1);
}

} // namespace

FieldFit::FieldFit(int capacity) : m_points(capacity) {}

void FieldFit::add(QPointF point)
{
    if (m_points.isEmpty())
        m_reference = point;
    QPointF dropped;
    if (m_points.add(point, &dropped)) {
        accumulate(dropped, -1.0);
        // Adding and taking away leaves rounding behind; summing afresh once per ring keeps
        // it from growing over a long session at O(1) per point on average.
        if (++m_dropsSinceResum >= m_points.capacity()) {
            resum();
            return;
        }
    }
    accumulate(point, 1.0);
}

void FieldFit::clear()
{
    m_points.clear();
    m_sums = {};
    m_dropsSinceResum = 0;
}

void FieldFit::accumulate(QPointF point, double weight)
{
    const double x = point.x() - m_reference.x();
    const double y = point.y() - m_reference.y();
    const double z = x * x + y * y;
    m_sums.n += weight;
    m_sums.x += weight * x;
    m_sums.y += weight * y;
    m_sums.xx += weight * x * x;
    m_sums.yy += weight * y * y;
    m_sums.xy += weight * x * y;
    m_sums.xz += weight * x * z;
    m_sums.yz += weight * y * z;
}

void FieldFit::resum()
{
    m_dropsSinceResum = 0;
    m_sums = {};
    if (m_points.isEmpty())
        return;
    QPointF mean;
    m_points.forEach([&](QPointF p) { mean += p; });
    m_reference = mean / m_points.size();
    m_points.forEach([&](QPointF p) { accumulate(p, 1.0); });
}

// Algebraic (Kasa) fit: minimise the sum of (x^2 + y^2 + D x + E y + F)^2. F is eliminated
// with the third normal equation, which leaves a 2x2 system in the centred sums.
FieldCircle FieldFit::circle() const
{
    const Sums& s = m_sums;
    if (s.n < 3)
        return {};
    const double n = s.n;
    const double z = s.xx + s.yy;
    const double cxx = s.xx - s.x * s.x / n;
    const double cyy = s.yy - s.y * s.y / n;
    const double cxy = s.xy - s.x * s.y / n;
    const double cxz = s.xz - s.x * z / n;
    const double cyz = s.yz - s.y * z / n;
    const double det = cxx * cyy - cxy * cxy;
    const double scale = cxx + cyy;
    if (!(scale > 0) || !(det > 1e-12 * scale * scale))
        return {};
    const double d = (-cxz * cyy + cyz * cxy) / det;
    const double e = (-cyz * cxx + cxz * cxy) / det;
    const double f = -(z + d * s.x + e * s.y) / n;
    const double cx = -d / 2;
    const double cy = -e / 2;
    const double r2 = cx * cx + cy * cy - f;
    if (!(r2 > 0) || !std::isfinite(r2))
        return {};
    FieldCircle c;
    c.valid = true;
    c.centre = m_reference + QPointF(cx, cy);
    c.radius = std::sqrt(r2);
    return c;
}

FieldFigures FieldFit::figures() const
{
    FieldFigures out;
    out.count = m_points.size();
    out.circle = circle();

    // Extent: the width of the cloud measured across each direction, widest over narrowest.
    // Unlike the covariance of the points, this does not depend on how long the board rested
    // at one heading.
    std::array<double, ExtentDirections> low, high;
    low.fill(std::numeric_limits<double>::infinity());
    high.fill(-std::numeric_limits<double>::infinity());
    const auto& dirs = directions();
    const bool fitted = out.circle.valid;
    const QPointF c = out.circle.centre;
    const double r = out.circle.radius;
    double sum = 0, sumSquares = 0;
    std::array<bool, Sectors> covered{};

    m_points.forEach([&](QPointF p) {
        for (int i = 0; i < ExtentDirections; ++i) {
            const double v = p.x() * dirs[std::size_t(i)].c + p.y() * dirs[std::size_t(i)].s;
            low[std::size_t(i)] = std::min(low[std::size_t(i)], v);
            high[std::size_t(i)] = std::max(high[std::size_t(i)], v);
        }
        if (!fitted)
            return;
        const double dx = p.x() - c.x();
        const double dy = p.y() - c.y();
        // Deviations from the radius rather than distances, for a variance without cancellation.
        const double deviation = std::hypot(dx, dy) - r;
        sum += deviation;
        sumSquares += deviation * deviation;
        covered[std::size_t(sectorOf(dx, dy))] = true;
    });

    if (out.count >= 2) {
        double widest = 0, narrowest = std::numeric_limits<double>::infinity();
        for (int i = 0; i < ExtentDirections; ++i) {
            const double width = high[std::size_t(i)] - low[std::size_t(i)];
            widest = std::max(widest, width);
            narrowest = std::min(narrowest, width);
        }
        // Points on a line have a narrowest width of rounding noise only.
        out.extentRatio = narrowest > 1e-9 * widest ? widest / narrowest : 0.0;
    }
    if (fitted) {
        const double mean = sum / out.count;
        const double variance = std::max(0.0, sumSquares / out.count - mean * mean);
        out.spreadPercent = 100.0 * std::sqrt(variance) / r;
        out.coverage = int(std::count(covered.begin(), covered.end(), true));
    }
    return out;
}

QString fieldVerdict(const FieldFigures& figures)
{
    if (!figures.circle.valid || figures.coverage < FieldFit::Sectors)
        return QStringLiteral("Turn the board through every heading.");
    if (figures.spreadPercent <= FieldFit::GoodSpreadPercent)
        return QStringLiteral("Good: the points lie on the circle.");
    return QStringLiteral("Poor: the points stray from the circle.");
}
