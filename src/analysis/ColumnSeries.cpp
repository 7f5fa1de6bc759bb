#include "analysis/ColumnSeries.h"

#include "protocol/MeasurementNames.h"

#include <cmath>

namespace {

constexpr char Kinds[] = {'F', 'G', 'R', 'C'};
// Floats a frame can carry (its count is one byte).
constexpr int MostFloats = 255;
constexpr double NoValue = 1e9;

int kindSlot(char kind)
{
    for (int i = 0; i < 4; ++i)
        if (Kinds[i] == kind)
            return i;
    return -1;
}

} // namespace

ColumnCollector::ColumnCollector(const QByteArray& name)
{
    m_series.name = name;
    m_index.fill(-1);
    for (int slot = 0; slot < 4; ++slot)
        for (int k = 1; k <= MostFloats; ++k)
            if (valueName(Kinds[slot], k) == name) {
                m_index[std::size_t(slot)] = k - 1;
                break;
            }
}

bool ColumnCollector::known() const
{
    for (int index : m_index)
        if (index >= 0)
            return true;
    return false;
}

void ColumnCollector::reserve(std::size_t samples)
{
    m_series.seconds.reserve(samples);
    m_series.values.reserve(samples);
}

void ColumnCollector::add(double seconds, const Measurement& m)
{
    const int slot = kindSlot(m.kind);
    if (slot < 0)
        return;
    const int index = m_index[std::size_t(slot)];
    if (index < 0 || index >= m.values.size())
        return;
    const double v = m.values[index];
    if (!std::isfinite(v) || std::fabs(v) > NoValue)
        return;
    m_series.seconds.push_back(seconds);
    m_series.values.push_back(v);
}

QList<QByteArray> columnNames(char kind, int floats)
{
    QList<QByteArray> names;
    for (int k = 1; k <= floats; ++k)
        names.append(valueName(kind, k));
    return names;
}
