#include "plots/PlotHistory.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kTicksPerSecond = 10000.0;
// Rebase well before the tick overflows (after about 59 hours).
constexpr qint32 kRebaseTick = std::numeric_limits<qint32>::max() - (1 << 24);
constexpr qsizetype kIntervalsKept = 64;
constexpr qsizetype kFirstCapacity = 256;

} // namespace

void PlotHistory::Ring::push(Point p)
{
    if (count == qsizetype(cells.size())) {
        std::vector<Point> grown(std::max(kFirstCapacity, count * 2));
        for (qsizetype i = 0; i < count; ++i)
            grown[i] = at(i);
        cells = std::move(grown);
        head = 0;
    }
    cells[(head + count) & (cells.size() - 1)] = p;
    ++count;
}

void PlotHistory::Ring::popFront()
{
    head = (head + 1) & (cells.size() - 1);
    --count;
}

qsizetype PlotHistory::Ring::lowerBound(qint32 tick) const
{
    qsizetype lo = 0;
    qsizetype hi = count;
    while (lo < hi) {
        const qsizetype mid = (lo + hi) / 2;
        if (at(mid).tick < tick)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

PlotHistory::PlotHistory(int channelCount) : m_rings(channelCount)
{
    m_intervals.reserve(kIntervalsKept);
}

qint32 PlotHistory::tickOf(double t) const
{
    const double ticks = std::round((t - m_origin) * kTicksPerSecond);
    return qint32(std::clamp(ticks, double(std::numeric_limits<qint32>::min()),
                             double(std::numeric_limits<qint32>::max())));
}

double PlotHistory::timeOf(qint32 tick) const
{
    return m_origin + tick / kTicksPerSecond;
}

double PlotHistory::gapThreshold() const
{
    return std::max(m_minimumGap, 3.0 * m_typicalInterval);
}

void PlotHistory::rebase(double t)
{
    const double origin = t - 2 * kKeepSeconds;
    const qint32 shift = tickOf(origin);
    for (Ring& r : m_rings) {
        // Points older than the new origin are long out of every span.
        while (r.count > 0 && r.at(0).tick < shift)
            r.popFront();
        for (qsizetype i = 0; i < r.count; ++i)
            r.cells[(r.head + i) & (r.cells.size() - 1)].tick -= shift;
    }
    m_origin += shift / kTicksPerSecond;
}

void PlotHistory::trim(qint32 now)
{
    // Keep one point older than the kept time, so the line still enters at the left edge.
    const qint32 oldest = now - qint32(kKeepSeconds * kTicksPerSecond);
    for (Ring& r : m_rings) {
        while (r.count > 1 && r.at(1).tick <= oldest)
            r.popFront();
        // A leading gap marker joins nothing.
        if (r.count > 0 && std::isnan(r.at(0).value))
            r.popFront();
    }
}

void PlotHistory::addFrame(double t, std::span<const float> values)
{
    if (m_frames == 0) {
        m_origin = t;
    } else {
        t = std::max(t, m_lastFrame);
        const float interval = float(t - m_lastFrame);
        if (qsizetype(m_intervals.size()) < kIntervalsKept)
            m_intervals.push_back(interval);
        else
            m_intervals[m_nextInterval] = interval;
        m_nextInterval = (m_nextInterval + 1) % kIntervalsKept;
        // The median of recent intervals, this one included (the first intervals are all
        // there is to go by): steady against the odd late or doubled frame.
        std::vector<float> sorted = m_intervals;
        auto mid = sorted.begin() + sorted.size() / 2;
        std::nth_element(sorted.begin(), mid, sorted.end());
        m_typicalInterval = *mid;
    }
    if (tickOf(t) > kRebaseTick)
        rebase(t);
    const qint32 now = tickOf(t);
    const double threshold = gapThreshold();
    const qint32 gapTicks = qint32(std::min(threshold * kTicksPerSecond, 1e9));

    const qsizetype n = std::min(values.size(), m_rings.size());
    for (qsizetype c = 0; c < n; ++c) {
        if (std::isnan(values[c]))
            continue;
        Ring& r = m_rings[c];
        if (r.count > 0 && !std::isnan(r.back().value) &&
            (now - r.back().tick > gapTicks ||
             (r.wrap > 0 && std::fabs(values[c] - r.back().value) > r.wrap / 2)))
            r.push({r.back().tick, std::numeric_limits<float>::quiet_NaN()});
        r.push({now, values[c]});
    }
    m_lastFrame = t;
    ++m_frames;
    trim(now);
}

QList<PlotHistory::Segment> PlotHistory::visible(int channel, double end, double span,
                                                 int buckets) const
{
    QList<Segment> out;
    const Ring& r = m_rings[channel];
    if (r.count == 0 || span <= 0 || buckets <= 0)
        return out;
    const double start = end - span;
    qsizetype i = r.lowerBound(tickOf(start));
    if (i > 0)
        --i;
    const qint32 endTick = tickOf(end);
    const double bucketTicks = span * kTicksPerSecond / buckets;
    const qint32 startTick = tickOf(start);

    Segment segment;
    qint64 bucket = std::numeric_limits<qint64>::min();
    Point low{}, high{};
    qsizetype lowAt = 0, highAt = 0;
    auto flush = [&] {
        if (bucket == std::numeric_limits<qint64>::min())
            return;
        const Point& first = lowAt <= highAt ? low : high;
        const Point& second = lowAt <= highAt ? high : low;
        segment.append(QPointF(timeOf(first.tick) - end, first.value));
        if (lowAt != highAt)
            segment.append(QPointF(timeOf(second.tick) - end, second.value));
        bucket = std::numeric_limits<qint64>::min();
    };
    auto closeSegment = [&] {
        flush();
        if (!segment.isEmpty())
            out.append(std::move(segment));
        segment = Segment();
    };

    for (; i < r.count; ++i) {
        const Point& p = r.at(i);
        if (p.tick > endTick)
            break;
        if (std::isnan(p.value)) {
            closeSegment();
            continue;
        }
        const qint64 b =
            p.tick < startTick ? -1 : qint64(std::floor((p.tick - startTick) / bucketTicks));
        if (b != bucket) {
            flush();
            bucket = b;
            low = high = p;
            lowAt = highAt = i;
        } else if (p.value < low.value) {
            low = p;
            lowAt = i;
        } else if (p.value > high.value) {
            high = p;
            highAt = i;
        }
    }
    closeSegment();
    return out;
}

float PlotHistory::valueNear(int channel, double t) const
{
    const float none = std::numeric_limits<float>::quiet_NaN();
    const Ring& r = m_rings[channel];
    if (r.count == 0)
        return none;
    const qint32 tick = tickOf(t);
    const qsizetype i = r.lowerBound(tick);
    if (i < r.count && r.at(i).tick == tick && !std::isnan(r.at(i).value))
        return r.at(i).value;
    const bool hasAfter = i < r.count;
    const bool hasBefore = i > 0;
    // Inside a gap: the marker sits right after the last point before it.
    if (hasAfter && hasBefore && (std::isnan(r.at(i).value) || std::isnan(r.at(i - 1).value)))
        return none;
    qsizetype best = -1;
    if (hasAfter && !std::isnan(r.at(i).value))
        best = i;
    if (hasBefore && !std::isnan(r.at(i - 1).value) &&
        (best < 0 || tick - r.at(i - 1).tick <= r.at(best).tick - tick))
        best = i - 1;
    if (best < 0)
        return none;
    const double distance = std::fabs(timeOf(r.at(best).tick) - t);
    return distance <= gapThreshold() ? r.at(best).value : none;
}
