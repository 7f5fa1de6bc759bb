#include "plots/PlotChart.h"

#include "plots/ThreadCpu.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QLocale>
#include <QPen>
#include <QValueAxis>

#include <cmath>

namespace {

// Fixed room for the value labels, so the stacked charts' time axes line up.
constexpr int kLeftRoom = 86;
constexpr int kRightRoom = 14;
constexpr int kTopRoom = 8;
constexpr int kBottomRoom = 28;

// A chart view that adds up the CPU time of its paints, part of what a redraw costs.
class TimedChartView : public QChartView
{
public:
    // Given its chart at construction: a view made without one makes a default chart that
    // setChart() would release, not delete.
    TimedChartView(QChart* chart, QWidget* parent, double& paintSeconds)
        : QChartView(chart, parent), m_paintSeconds(paintSeconds)
    {}

protected:
    void paintEvent(QPaintEvent* event) override
    {
        const double start = threadCpuSeconds();
        QChartView::paintEvent(event);
        m_paintSeconds += threadCpuSeconds() - start;
    }

private:
    double& m_paintSeconds;
};

} // namespace

PlotChart::PlotChart(const QString& axisTitle, QWidget* parent)
    : m_chart(new QChart), m_view(new TimedChartView(m_chart, parent, m_paintSeconds)),
      m_time(new QValueAxis), m_value(new QCategoryAxis)
{
    m_chart->legend()->hide();
    m_chart->setMargins(QMargins(2, 2, 2, 2));
    m_chart->setBackgroundRoundness(0);
    m_chart->setAnimationOptions(QChart::NoAnimation);
    m_time->setLabelFormat(QStringLiteral("%.0f s"));
    m_time->setRange(-10, 0);
    m_time->setTickType(QValueAxis::TicksDynamic);
    m_time->setTickAnchor(0);
    m_time->setTickInterval(1);
    m_value->setTitleText(axisTitle);
    m_value->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    setValueRange({-1, 1, 0.5});
    m_chart->addAxis(m_time, Qt::AlignBottom);
    m_chart->addAxis(m_value, Qt::AlignLeft);
    m_view->setMinimumHeight(120);
    QObject::connect(m_chart, &QChart::geometryChanged, m_chart, [this] { placePlotArea(); });
}

PlotChart::~PlotChart()
{
    // The view counts its paints here; it goes first (it owns the chart, series and axes).
    delete m_view;
}

void PlotChart::placePlotArea()
{
    const QRectF g = m_chart->geometry();
    m_chart->setPlotArea(QRectF(kLeftRoom, kTopRoom, qMax(10.0, g.width() - kLeftRoom - kRightRoom),
                                qMax(10.0, g.height() - kTopRoom - kBottomRoom)));
}

void PlotChart::addChannel(int channel, const QString& name, const QColor& colour)
{
    m_lines[channel] = Lines{name, colour, {}, 0};
}

void PlotChart::setSpan(double seconds)
{
    m_time->setRange(-seconds, 0);
    m_time->setTickInterval(seconds <= 10 ? 1 : seconds <= 30 ? 5 : 20);
}

void PlotChart::setSegments(int channel, const QList<PlotHistory::Segment>& segments)
{
    Lines& lines = m_lines.at(channel);
    while (qsizetype(lines.series.size()) < segments.size()) {
        auto* s = new QLineSeries;
        s->setName(lines.name);
        // A one-pixel cosmetic pen takes the painter's fast path (no stroking).
        QPen pen(lines.colour);
        pen.setWidth(1);
        pen.setCosmetic(true);
        s->setPen(pen);
        m_chart->addSeries(s);
        s->attachAxis(m_time);
        s->attachAxis(m_value);
        lines.series.push_back(s);
    }
    for (qsizetype k = 0; k < segments.size(); ++k)
        lines.series[k]->replace(segments[k]);
    // Spare series from an earlier draw are emptied, not removed, to be used again.
    for (qsizetype k = segments.size(); k < lines.used; ++k)
        lines.series[k]->clear();
    lines.used = segments.size();
}

void PlotChart::setValueRange(const AxisRange& range)
{
    if (range.low == m_range.low && range.high == m_range.high && range.step == m_range.step)
        return;
    m_range = range;
    // Labels written here rather than by a printf format: summed steps give 0 as -5.55e-17,
    // and the user's decimal separator is used.
    for (const QString& label : m_value->categoriesLabels())
        m_value->remove(label);
    const int decimals = qMax(0, int(-std::floor(std::log10(range.step) + 1e-9)));
    const int steps = int(std::lround((range.high - range.low) / range.step));
    const QLocale locale;
    // The lowest label needs a category ending on it, so the axis starts a hair below.
    m_value->setStartValue(range.low - range.step * 1e-3);
    for (int k = 0; k <= steps; ++k) {
        const double v = range.low + k * range.step;
        m_value->append(locale.toString(std::fabs(v) < range.step * 1e-6 ? 0.0 : v, 'f', decimals),
                        v);
    }
    m_value->setRange(range.low, range.high);
}

double PlotChart::takePaintSeconds()
{
    const double seconds = m_paintSeconds;
    m_paintSeconds = 0;
    return seconds;
}

int PlotChart::plotWidth() const
{
    return qMax(1, int(m_chart->plotArea().width()));
}

double PlotChart::timeAt(const QPoint& viewportPos) const
{
    const QPointF chartPos = m_chart->mapFromScene(m_view->mapToScene(viewportPos));
    const QRectF area = m_chart->plotArea();
    const double share = (chartPos.x() - area.left()) / area.width();
    return m_time->min() + share * (m_time->max() - m_time->min());
}
