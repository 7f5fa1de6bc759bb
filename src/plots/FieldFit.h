#pragma once

#include "plots/FieldPoints.h"

#include <QPointF>
#include <QString>

// The circle fitted to the horizontal field points; valid once at least three points that do
// not lie on one line are there. The centre is the hard-iron offset, in the board's units.
struct FieldCircle
{
    bool valid = false;
    QPointF centre;
    double radius = 0.0;
};

// What the field view shows the operator.
struct FieldFigures
{
    int count = 0;
    FieldCircle circle;
    // Standard deviation of the points' distances from the centre, in % of the radius.
    double spreadPercent = 0.0;
    // Widest over narrowest extent of the point cloud; 0 while the narrowest is zero.
    double extentRatio = 0.0;
    // How many of the 36 sectors of 10 degrees around the centre hold a point.
    int coverage = 0;
};

// The least-squares circle of the points and the figures around it. Adding a point is O(1)
// (running sums of the algebraic fit); figures() passes over all points once, so it is meant
// for the display rate, not for every point.
class FieldFit
{
public:
    static constexpr int Sectors = 36;
    // The spread up to which a complete circle counts as good.
    static constexpr double GoodSpreadPercent = 5.0;

    explicit FieldFit(int capacity = FieldPoints::DefaultCapacity);

    void add(QPointF point);
    void clear();

    const FieldPoints& points() const { return m_points; }
    FieldCircle circle() const;
    FieldFigures figures() const;

private:
    struct Sums
    {
        double n = 0, x = 0, y = 0, xx = 0, yy = 0, xy = 0, xz = 0, yz = 0;
    };
    void accumulate(QPointF point, double weight);
    void resum();

    FieldPoints m_points;
    Sums m_sums;
    // Sums are kept about this point, near the data, so the squares and cubes do not swamp
    // the differences the fit needs.
    QPointF m_reference;
    int m_dropsSinceResum = 0;
};

// The verdict line: "Turn the board through every heading." until every sector holds a point,
// then "Good: ..." or "Poor: ..." from the spread.
QString fieldVerdict(const FieldFigures& figures);
