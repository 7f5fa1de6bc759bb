#include "plots/FieldPoints.h"

#include <algorithm>

FieldPoints::FieldPoints(int capacity) : m_capacity(std::max(1, capacity))
{
    m_points.reserve(std::size_t(m_capacity));
}

bool FieldPoints::add(QPointF point, QPointF* dropped)
{
    if (size() < m_capacity) {
        m_points.push_back(point);
        return false;
    }
    QPointF& slot = m_points[std::size_t(m_oldest)];
    if (dropped)
        *dropped = slot;
    slot = point;
    m_oldest = (m_oldest + 1) % m_capacity;
    return true;
}

void FieldPoints::clear()
{
    m_points.clear();
    m_oldest = 0;
}

QPointF FieldPoints::at(int i) const
{
    return m_points[std::size_t((m_oldest + i) % size())];
}
