#pragma once

#include "protocol/Measurement.h"

#include <QList>

#include <utility>

// A measurement of the kind with the given floats (float k counted from 1), zero elsewhere.
inline Measurement measurement(char kind, int count, const QList<std::pair<int, float>>& floats)
{
    Measurement m;
    m.kind = kind;
    m.values = QList<float>(count, 0.0f);
    for (const auto& [k, value] : floats)
        m.values[k - 1] = value;
    return m;
}
