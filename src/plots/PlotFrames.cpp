#include "plots/PlotFrames.h"

#include <algorithm>

void PlotFrames::add(double t, const Measurement& m)
{
    if (!m_frames.empty())
        t = std::max(t, m_frames.back().t);
    m_frames.push_back({t, m.kind, m.values});
    while (!m_frames.empty() && m_frames.front().t < t - m_keep)
        m_frames.pop_front();
}

QList<PlotFrames::Frame> PlotFrames::inSpan(double end, double span) const
{
    const double start = end - span;
    const auto first = std::lower_bound(m_frames.begin(), m_frames.end(), start,
                                        [](const Frame& f, double s) { return f.t < s; });
    QList<Frame> out;
    for (auto it = first; it != m_frames.end() && it->t <= end; ++it)
        out.append(*it);
    return out;
}
