#pragma once

#include "protocol/Measurement.h"

#include <QByteArray>
#include <QList>

#include <array>
#include <vector>

// One named column of a recording (the recording's column names: phi, theta, psi, f4, hx,
// value1, ...), as times and values. Frames of every kind that has the column contribute;
// a value that is not finite, or beyond 1e9 in size (the board's "no value"), is no sample.
struct ColumnSeries
{
    QByteArray name;
    std::vector<double> seconds;
    std::vector<double> values;
};

class ColumnCollector
{
public:
    explicit ColumnCollector(const QByteArray& name);

    // Whether some frame kind has a column of that name ("time" and "kind" are none).
    bool known() const;
    // Room for this many samples: growing by copies costs more than the samples themselves.
    void reserve(std::size_t samples);
    void add(double seconds, const Measurement& m);

    const ColumnSeries& series() const { return m_series; }
    ColumnSeries take() { return std::move(m_series); }

private:
    ColumnSeries m_series;
    // Per kind F, G, R, C: the index of the column's float, or -1.
    std::array<int, 4> m_index;
};

// The column names of frames of this kind with this many floats, in payload order.
QList<QByteArray> columnNames(char kind, int floats);
