#include "analysis/FieldVector.h"

#include <cmath>

std::optional<Eigen::Vector3d> fieldVector(const Measurement& m)
{
    qsizetype first = 0;
    if (m.kind == 'F')
        first = 13;
    else if (m.kind == 'R')
        first = 3;
    else
        return std::nullopt;
    if (m.values.size() < first + 3)
        return std::nullopt;
    Eigen::Vector3d v;
    for (int axis = 0; axis < 3; ++axis) {
        const float value = m.values[first + axis];
        if (!std::isfinite(value) || std::fabs(value) > 1e9f)
            return std::nullopt;
        v(axis) = value;
    }
    return v;
}
