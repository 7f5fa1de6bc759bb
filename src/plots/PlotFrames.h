#pragma once

#include "protocol/Measurement.h"

#include <QList>

#include <deque>

// The frames behind the plots, as they came (letter and every float), with the time the plots
// gave each, for the last keepSeconds: what an export of the shown span writes, and what the
// Allan deviation takes. The values
// are shared with the stream's measurement, so keeping a frame costs no copy of its floats.
class PlotFrames
{
public:
    struct Frame
    {
        double t;
        char kind;
        QList<float> values;
    };

    explicit PlotFrames(double keepSeconds) : m_keep(keepSeconds) {}

    void add(double t, const Measurement& m);
    // The frames from end - span to end, oldest first.
    QList<Frame> inSpan(double end, double span) const;
    // Every frame held, oldest first.
    QList<Frame> all() const { return QList<Frame>(m_frames.begin(), m_frames.end()); }
    qsizetype size() const { return qsizetype(m_frames.size()); }

private:
    double m_keep;
    std::deque<Frame> m_frames;
};
