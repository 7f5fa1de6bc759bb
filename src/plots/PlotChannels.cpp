#include "plots/PlotChannels.h"

#include <cmath>
#include <limits>

namespace {

constexpr float kLargest = 1e9f;
constexpr double kDegreesPerRadian = 57.29577951308232;

// Channel indexes of the table below.
constexpr int kRoll = 0;
constexpr int kHx = 3;
constexpr int kFirstUnnamed = 6; // F floats 4 to 13, then float 18
constexpr int kF18 = 16;
constexpr int kValue1 = 17;

std::array<PlotChannel, kPlotChannelCount> makeChannels()
{
    std::array<PlotChannel, kPlotChannelCount> c;
    const QString deg = QStringLiteral("°");
    c[0] = {QStringLiteral("Roll"), PlotGroup::Angles, deg, QColor(220, 50, 47), true};
    c[1] = {QStringLiteral("Pitch"), PlotGroup::Angles, deg, QColor(38, 139, 60), true};
    c[2] = {QStringLiteral("Heading"), PlotGroup::Angles, deg, QColor(38, 100, 210), true};
    c[3] = {QStringLiteral("Hx"), PlotGroup::Field, QString(), QColor(220, 50, 47), true};
    c[4] = {QStringLiteral("Hy"), PlotGroup::Field, QString(), QColor(38, 139, 60), true};
    c[5] = {QStringLiteral("Hz"), PlotGroup::Field, QString(), QColor(38, 100, 210), true};
    static const QColor others[] = {
        QColor(31, 119, 180),  QColor(255, 127, 14),  QColor(44, 160, 44),   QColor(214, 39, 40),
        QColor(148, 103, 189), QColor(140, 86, 75),   QColor(227, 119, 194), QColor(127, 127, 127),
        QColor(188, 189, 34),  QColor(23, 190, 207),  QColor(57, 59, 121),   QColor(230, 85, 13),
        QColor(49, 163, 84),   QColor(117, 107, 177), QColor(99, 99, 99)};
    for (int k = 0; k < 10; ++k)
        c[kFirstUnnamed + k] = {QStringLiteral("F%1").arg(k + 4), PlotGroup::Other, QString(),
                                others[k], false};
    c[kF18] = {QStringLiteral("F18"), PlotGroup::Other, QString(), others[10], false};
    for (int k = 0; k < 4; ++k)
        c[kValue1 + k] = {QStringLiteral("Value%1").arg(k + 1), PlotGroup::Other, QString(),
                          others[11 + k], true};
    return c;
}

float usable(float v)
{
    return std::isfinite(v) && std::fabs(v) <= kLargest ? v
                                                        : std::numeric_limits<float>::quiet_NaN();
}

// Float k of the payload, counted from 1 as the board's documents count them.
float floatAt(const Measurement& m, int k)
{
    return k <= m.values.size() ? usable(m.values[k - 1]) : std::numeric_limits<float>::quiet_NaN();
}

} // namespace

const std::array<PlotChannel, kPlotChannelCount>& plotChannels()
{
    static const std::array<PlotChannel, kPlotChannelCount> channels = makeChannels();
    return channels;
}

ChannelValues channelValues(const Measurement& m)
{
    ChannelValues out;
    out.fill(std::numeric_limits<float>::quiet_NaN());
    if (m.kind != 'F' && m.kind != 'G' && m.kind != 'R')
        return out;
    out[kRoll] = usable(float(m.phi * kDegreesPerRadian));
    out[kRoll + 1] = usable(float(m.theta * kDegreesPerRadian));
    out[kRoll + 2] = usable(float(m.psi * kDegreesPerRadian));
    if (m.kind == 'F') {
        for (int k = 0; k < 3; ++k)
            out[kHx + k] = floatAt(m, 14 + k);
        for (int k = 0; k < 10; ++k)
            out[kFirstUnnamed + k] = floatAt(m, 4 + k);
        out[kF18] = floatAt(m, 18);
    } else if (m.kind == 'R') {
        for (int k = 0; k < 3; ++k)
            out[kHx + k] = floatAt(m, 4 + k);
    } else {
        for (int k = 0; k < 4; ++k)
            out[kValue1 + k] = floatAt(m, 4 + k);
    }
    return out;
}
