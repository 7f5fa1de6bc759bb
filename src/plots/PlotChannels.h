#pragma once

#include "protocol/Measurement.h"

#include <QColor>
#include <QString>

#include <array>

// The values the plots can show, one channel each, and how a measurement frame fills them.
enum class PlotGroup
{
    Angles,
    Field,
    Other
};

struct PlotChannel
{
    QString name;
    PlotGroup group;
    QString unit;
    QColor colour;
    bool shownAtStart;
};

// Roll, pitch, heading (degrees); Hx, Hy, Hz; the unnamed floats of F (4 to 13 and 18);
// Value1 to Value4 of G.
constexpr int kPlotChannelCount = 21;
constexpr int kHeadingChannel = 2;
using ChannelValues = std::array<float, kPlotChannelCount>;

const std::array<PlotChannel, kPlotChannelCount>& plotChannels();

// The channel values a frame carries; NaN where the frame has none. Raw floats that are not
// finite or exceed 1e9 in size are left out, so one bad float cannot blow up an axis. The
// angles come from the decoder's attitude, converted to degrees; a C frame fills nothing.
ChannelValues channelValues(const Measurement& m);
