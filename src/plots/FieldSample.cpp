#include "plots/FieldSample.h"

#include <cmath>

namespace {

bool usable(float v)
{
    return std::isfinite(v) && std::fabs(v) <= 1e9f;
}

} // namespace

std::optional<QPointF> horizontalField(const Measurement& m)
{
    qsizetype hx = 0;
    if (m.kind == 'F')
        hx = 13;
    else if (m.kind == 'R')
        hx = 3;
    else
        return std::nullopt;
    if (m.values.size() < hx + 2)
        return std::nullopt;
    const float x = m.values[hx];
    const float y = m.values[hx + 1];
    if (!usable(x) || !usable(y))
        return std::nullopt;
    return QPointF(x, y);
}
