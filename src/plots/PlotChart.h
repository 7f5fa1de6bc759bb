#pragma once

#include "plots/PlotHistory.h"
#include "plots/PlotScale.h"

#include <QColor>
#include <QList>
#include <QString>

#include <map>
#include <vector>

class QCategoryAxis;
class QChart;
class QChartView;
class QLineSeries;
class QValueAxis;
class QWidget;

// One of the stacked charts: a time axis from -span to 0 seconds, a value axis that follows
// the data, and per channel as many line series as it has runs between gaps (a line series
// joins every point it has, so a gap needs a new series). Series are kept and reused.
class PlotChart
{
public:
    PlotChart(const QString& axisTitle, QWidget* parent);
    ~PlotChart();
    PlotChart(const PlotChart&) = delete;
    PlotChart& operator=(const PlotChart&) = delete;

    QChartView* view() const { return m_view; }
    QChart* chart() const { return m_chart; }

    void addChannel(int channel, const QString& name, const QColor& colour);
    void setSpan(double seconds);
    // Replaces what the channel shows; an empty list hides it.
    void setSegments(int channel, const QList<PlotHistory::Segment>& segments);
    // Sets the value axis only when the range differs, since that relays out the labels.
    void setValueRange(const AxisRange& range);
    // CPU seconds the view spent painting since the last call.
    double takePaintSeconds();
    // Width of the plot area in pixels: the number of buckets worth drawing.
    int plotWidth() const;
    // The time (seconds relative to the right edge) under a point of the view's viewport.
    double timeAt(const QPoint& viewportPos) const;

private:
    struct Lines
    {
        QString name;
        QColor colour;
        std::vector<QLineSeries*> series;
        qsizetype used = 0;
    };
    void placePlotArea();

    // In this order: the view refers to both.
    double m_paintSeconds = 0;
    QChart* m_chart;
    QChartView* m_view;
    QValueAxis* m_time;
    QCategoryAxis* m_value;
    std::map<int, Lines> m_lines;
    AxisRange m_range{0, 0, 0};
};
