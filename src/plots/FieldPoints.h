#pragma once

#include <QPointF>

#include <vector>

// The horizontal field points of the field view, oldest first, at most a fixed number: a full
// ring drops its oldest point for each new one.
class FieldPoints
{
public:
    static constexpr int DefaultCapacity = 20000;

    explicit FieldPoints(int capacity = DefaultCapacity);

    // Appends the point; when the ring was full, the oldest point is dropped and returned
    // through dropped (which may be null).
    bool add(QPointF point, QPointF* dropped = nullptr);
    void clear();

    int size() const { return int(m_points.size()); }
    int capacity() const { return m_capacity; }
    bool isEmpty() const { return m_points.empty(); }
    // The i-th point, 0 being the oldest.
    QPointF at(int i) const;

    // Calls f(QPointF) for every point, in no particular order (the cheapest pass).
    template <class F> void forEach(F&& f) const
    {
        for (const QPointF& p : m_points)
            f(p);
    }

private:
    std::vector<QPointF> m_points;
    int m_capacity;
    int m_oldest = 0;
};
