#pragma once

#include <QList>
#include <QPointF>

#include <span>
#include <vector>

// What the plots remember: per channel, the (time, value) points of the last two minutes,
// with a marker wherever the stream paused long enough to count as a gap. No widgets: the
// window asks it for the points of the span it shows, reduced to the pixels it has.
// Times are seconds on any clock that does not go back.
class PlotHistory
{
public:
    static constexpr double kKeepSeconds = 120.0;
    using Segment = QList<QPointF>;

    explicit PlotHistory(int channelCount);

    // One frame seen at time t, with one value per channel; NaN where the frame has none.
    void addFrame(double t, std::span<const float> values);

    bool isEmpty() const { return m_frames == 0; }
    // Time of the latest frame (meaningless while empty).
    double newest() const { return m_lastFrame; }
    // Longer than this without a frame is a gap: three typical frame intervals, and never
    // less than the minimum gap (half a second unless set), so scheduling jitter is no gap.
    double gapThreshold() const;
    void setMinimumGap(double seconds) { m_minimumGap = seconds; }
    // The channel's values go round (a heading: period 360): a step of more than half the
    // period is the value wrapping, and the line breaks there instead of crossing the chart.
    void setWrap(int channel, double period) { m_rings[channel].wrap = period; }

    // The channel's points from end - span to end (plus the one before, so the line enters at
    // the left edge), as runs without gaps. x is the time relative to end (seconds, <= 0).
    // The span is cut into the given number of buckets and each bucket keeps only its lowest
    // and highest point, in time order, so the cost follows the pixels, not the frame rate.
    QList<Segment> visible(int channel, double end, double span, int buckets) const;

    // The channel's value nearest to time t; NaN when there is none within a gap threshold
    // or t falls inside a gap.
    float valueNear(int channel, double t) const;

    // Points (with gap markers) the channel holds now.
    qsizetype pointCount(int channel) const { return m_rings[channel].count; }

private:
    // 8 bytes a point: time in ticks of 100 us from m_origin; value NaN marks a gap.
    struct Point
    {
        qint32 tick;
        float value;
    };
    // Grows by doubling while its oldest point is still wanted; otherwise reuses the slot.
    struct Ring
    {
        std::vector<Point> cells;
        qsizetype head = 0;
        qsizetype count = 0;
        double wrap = 0;

        const Point& at(qsizetype i) const { return cells[(head + i) & (cells.size() - 1)]; }
        const Point& back() const { return at(count - 1); }
        void push(Point p);
        void popFront();
        // First index whose tick is >= tick.
        qsizetype lowerBound(qint32 tick) const;
    };

    qint32 tickOf(double t) const;
    double timeOf(qint32 tick) const;
    void rebase(double t);
    void trim(qint32 now);

    std::vector<Ring> m_rings;
    // Recent frame intervals for the typical interval, as a small ring.
    std::vector<float> m_intervals;
    qsizetype m_nextInterval = 0;
    double m_typicalInterval = 0;
    double m_minimumGap = 0.5;
    double m_origin = 0;
    double m_lastFrame = 0;
    qint64 m_frames = 0;
};
